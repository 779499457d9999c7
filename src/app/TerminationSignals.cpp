#include "app/TerminationSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace netrova {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int signalSocket[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // Non-blocking: a full socket already holds a pending request.
    [[maybe_unused]] const ssize_t written = ::write(signalSocket[0], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalSocket) != 0)
        throw std::runtime_error("Cannot create the socket for termination signals.");
    notifier_ = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::ReadSignals);

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        ::sigaction(sig, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int sig : kSignals)
        ::sigaction(sig, &action, nullptr);
    delete notifier_;
    ::close(signalSocket[0]);
    ::close(signalSocket[1]);
    signalSocket[0] = signalSocket[1] = -1;
}

void TerminationSignals::CloseOnSignal(QWidget* window) {
    window_ = window;
    // Runs as the first thing of the main loop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            mainLoopRunning_ = true;
            mainLoopLevel_ = QThread::currentThread()->loopLevel();
            if (requested_)
                TryClose();
        },
        Qt::QueuedConnection);
}

void TerminationSignals::ReadSignals() {
    char buffer[64];
    while (::read(signalSocket[1], buffer, sizeof buffer) > 0) {
    }
    requested_ = true;
    TryClose();
}

void TerminationSignals::TryClose() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (!modal->close())
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        RetryLater();
        return;
    }
    // Inside a nested loop the code that opened the box is still running; let it finish.
    if (!mainLoopRunning_ || !window_ || QThread::currentThread()->loopLevel() > mainLoopLevel_) {
        RetryLater();
        return;
    }
    window_->close();
}

void TerminationSignals::RetryLater() {
    if (retryPending_)
        return;
    retryPending_ = true;
    QTimer::singleShot(20, this, [this] {
        retryPending_ = false;
        TryClose();
    });
}

} // namespace netrova
