#include "app/long_timer.h"

#include <algorithm>

namespace pix {

LongTimer::LongTimer(QObject* parent) : QObject(parent) {
    step_.setSingleShot(true);
    // A coarse timer may be 5% late, which over a chained day is over an hour.
    step_.setTimerType(Qt::PreciseTimer);
    connect(&step_, &QTimer::timeout, this, &LongTimer::stepElapsed);
}

void LongTimer::setPeriod(int64_t ms) { period_ = std::max<int64_t>(ms, 1); }

void LongTimer::setEnabled(bool on) {
    enabled_ = on;
    step_.stop();
    if (on) {
        deadline_ = QDeadlineTimer(period_, Qt::PreciseTimer);
        arm();
    }
}

int64_t LongTimer::remaining() const { return enabled_ ? deadline_.remainingTime() : -1; }

int64_t LongTimer::stepFor(int64_t remaining, int64_t longestStep) {
    return std::clamp<int64_t>(remaining, 0, longestStep);
}

void LongTimer::arm() { step_.start(int(stepFor(deadline_.remainingTime(), longestStep_))); }

void LongTimer::stepElapsed() {
    if (!enabled_) return;
    if (deadline_.remainingTime() > 0) {  // a link of the chain, not the end of the period
        arm();
        return;
    }
    // The next period starts now; a handler that switches the timer off or on
    // again (as every run does) replaces this arming.
    deadline_ = QDeadlineTimer(period_, Qt::PreciseTimer);
    arm();
    emit tick();
}

}  // namespace pix
