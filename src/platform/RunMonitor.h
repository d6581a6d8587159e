#pragma once

#include <QElapsedTimer>
#include <QtGlobal>
#include <memory>

namespace lorvane {

class RecordSet;

// Follows a long run of a query: told every so often while rows arrive and while the database
// is still working on the first ones, and able to end the run. A run that is ended returns the
// rows read so far.
class RunMonitor {
public:
    virtual ~RunMonitor() = default;
    // rows is the record set being filled (null while its fields are not yet known), count the
    // rows read so far. Returns true to end the run.
    virtual bool progress(const std::shared_ptr<RecordSet>& rows, qint64 count) = 0;

    // What a run calls as often as it likes: tells progress() at most every interval, and
    // says whether the run is to end.
    bool report(const std::shared_ptr<RecordSet>& rows, qint64 count) {
        if (stopped_)
            return true;
        if (clock_.isValid() && clock_.elapsed() < kIntervalMs)
            return false;
        clock_.start();
        stopped_ = progress(rows, count);
        return stopped_;
    }
    // True once the run was ended.
    bool stopped() const { return stopped_; }

    // How often progress() is told, in milliseconds.
    static constexpr int kIntervalMs = 40;

private:
    bool stopped_ = false;
    QElapsedTimer clock_;
};

}  // namespace lorvane
