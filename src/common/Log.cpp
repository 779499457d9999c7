#include "common/Log.h"

#include <csignal>

Q_LOGGING_CATEGORY(lcStore, "netrova.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMonitor, "netrova.monitor", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDialup, "netrova.dialup", QtInfoMsg)
Q_LOGGING_CATEGORY(lcApp, "netrova.app", QtInfoMsg)

namespace netrova {

void IgnoreBrokenPipes() {
    // Qt's message handler does not look at what its write returns, so EPIPE is dropped.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace netrova
