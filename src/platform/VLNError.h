#pragma once

#include "platform/LorvaneExport.h"

#include <QString>
#include <exception>
#include <string>

namespace lorvane {

// An error raised to the host: a number, the object or component that raised it, and a
// description. Numbers follow the component's conventions (3704 closed, 3705 open, 3709 not
// usable, 0x80040000 + n for collection errors, the driver's own numbers for database errors).
class LORVANE_EXPORT VLNError : public std::exception {
public:
    VLNError(long number, QString source, QString description);

    long number() const noexcept { return number_; }
    const QString& source() const noexcept { return source_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    long number_;
    QString source_;
    QString description_;
    std::string what_;
};

// Error numbers shared by the record set and connection stand-ins.
namespace ErrorNumber {
constexpr long NoCurrentRecord = 3021;   // BOF or EOF, or the current row was deleted
constexpr long ItemNotFound = 3265;      // no field with that name or ordinal
constexpr long NotAllowedInContext = 3219;
constexpr long FieldExists = 3367;
constexpr long ObjectClosed = 3704;
constexpr long ObjectOpen = 3705;
constexpr long NotUsable = 3709;
constexpr long OperationCancelled = 3712;  // the user ended the run
constexpr long ProviderFailure = -2147467259;  // 0x80004005: the driver failed without a number
constexpr long CommandFailure = -2147217900;   // 0x80040E14: the database rejected a statement
}  // namespace ErrorNumber

}  // namespace lorvane
