#include "VLNError.h"

namespace lorvane {

VLNError::VLNError(long number, QString source, QString description)
    : number_(number), source_(std::move(source)), description_(std::move(description)),
      what_(QStringLiteral("%1 (%2): %3").arg(number_).arg(source_, description_).toStdString()) {}

}  // namespace lorvane
