#pragma once

#include <QElapsedTimer>
#include <QObject>

#include "base/scheduler.h"

// The scheduler of the running application: precise QTimers and queued calls on the thread that
// owns it (the main thread).
class OVQtScheduler : public OVScheduler {
  public:
    OVQtScheduler();
    ~OVQtScheduler() override;

    double now() const override;
    double referenceNow() const override;
    OVTimer after(double seconds, std::function<void()> fn) override;
    OVTimer every(double seconds, std::function<void()> fn) override;
    void async(std::function<void()> fn) override;
    bool reschedule(const OVTimer& timer, double seconds) override;

  private:
    OVTimer start(double seconds, bool repeating, std::function<void()> fn);

    QElapsedTimer _clock;
    QObject _owner;  // parent of every timer, so that none outlives the scheduler
};
