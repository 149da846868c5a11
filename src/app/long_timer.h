#pragma once
// The scheduler's timer: a period held in 64 bits (86400 minutes is
// 5,184,000,000 ms, more than one Qt timer can hold), built from a chain of
// single-shot Qt timers on the owner's thread, so ticks arrive there. While on
// it ticks every period; switching it on arms a full period afresh.
#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>

namespace pix {

class LongTimer : public QObject {
    Q_OBJECT
public:
    explicit LongTimer(QObject* parent = nullptr);

    void setPeriod(int64_t ms);  // takes effect when the timer is next switched on
    int64_t period() const { return period_; }
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }
    // Milliseconds until the next tick, or -1 when off.
    int64_t remaining() const;

    // Longest single wait handed to one Qt timer; a test may shorten it to see
    // the chain at work.
    void setLongestStep(int64_t ms) { longestStep_ = ms; }
    static int64_t stepFor(int64_t remaining, int64_t longestStep);

signals:
    void tick();

private:
    void arm();
    void stepElapsed();

    QTimer step_;
    QDeadlineTimer deadline_;
    int64_t period_ = 1000;
    int64_t longestStep_ = 0x3FFFFFFF;  // about 12 days, well inside a signed 32-bit count
    bool enabled_ = false;
};

}  // namespace pix
