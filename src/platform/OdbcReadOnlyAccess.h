#pragma once

namespace lorvane {

// Asks an ODBC driver, through QODBC's connection handle (SQLHDBC), to refuse changes for as
// long as this object lives (SQL_ATTR_ACCESS_MODE), and puts the previous mode back afterwards.
// Drivers may treat the mode as a hint only, so it is never the sole barrier.
class OdbcReadOnlyAccess {
public:
    explicit OdbcReadOnlyAccess(void* connectionHandle);
    ~OdbcReadOnlyAccess();
    OdbcReadOnlyAccess(const OdbcReadOnlyAccess&) = delete;
    OdbcReadOnlyAccess& operator=(const OdbcReadOnlyAccess&) = delete;

    // True when the driver accepted the read-only mode.
    bool accepted() const { return accepted_; }

private:
    void* handle_;
    unsigned long previous_ = 0;
    bool accepted_ = false;
};

}  // namespace lorvane
