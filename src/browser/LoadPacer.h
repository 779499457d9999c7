#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <utility>

namespace netrova {

// The pause of a long history load in a window: now and then it shows what has come so far and
// lets the event loop run (the monitor's tick, drawing, the user's clicks). The load goes on
// while the window's load generation is still the one it started under.
class LoadPacer {
public:
    LoadPacer(const std::uint64_t& generation, std::function<void()> publish = {})
        : generation_(generation), started_(generation), publish_(std::move(publish)) {
        since_.start();
    }

    bool operator()() {
        // The first pause shows the first rows at once.
        if (first_ || since_.elapsed() >= kIntervalMs) {
            first_ = false;
            if (publish_)
                publish_();
            QCoreApplication::processEvents();
            since_.restart();
        }
        return generation_ == started_;
    }

private:
    static constexpr qint64 kIntervalMs = 20;
    const std::uint64_t& generation_;
    const std::uint64_t started_;
    std::function<void()> publish_;
    QElapsedTimer since_;
    bool first_ = true;
};

} // namespace netrova
