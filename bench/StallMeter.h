#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace netrova::bench {

// The longest gap between two turns of the event loop once started: a 1 ms timer notes each
// turn, so that a gap is work that kept the loop from running.
class StallMeter {
public:
    StallMeter() {
        turns_.setTimerType(Qt::PreciseTimer);
        turns_.setInterval(1);
        QObject::connect(&turns_, &QTimer::timeout, [this] {
            worst_ = std::max(worst_, static_cast<double>(sinceTurn_.nsecsElapsed()) * 1e-6);
            sinceTurn_.restart();
        });
    }
    void Start() {
        sinceTurn_.start();
        turns_.start();
    }
    double WorstMs() const { return worst_; }

private:
    QTimer turns_;
    QElapsedTimer sinceTurn_;
    double worst_ = 0;
};

} // namespace netrova::bench
