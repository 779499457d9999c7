#pragma once

#include <QObject>
#include <QPointer>

class QSocketNotifier;
class QWidget;

namespace netrova {

// SIGTERM, SIGINT and SIGHUP are how this desktop logs the user off: they close the main window
// the way its close button does, so an open connection is recorded and the crash marker
// cleared. The handler only writes a byte to a socket; the closing runs in the event loop.
// Open modal boxes and dialogs are closed first, and the window is closed only once their
// nested loops have returned, so that no handler is cut off half-way.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one instance per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // The window that a signal closes. Call it just before the main loop starts: a signal that
    // comes earlier closes only the boxes of the start-up, and the window follows once the
    // main loop runs.
    void CloseOnSignal(QWidget* window);
    bool CloseRequested() const { return requested_; }

private:
    void ReadSignals();
    void TryClose();
    void RetryLater();

    QSocketNotifier* notifier_ = nullptr;
    QPointer<QWidget> window_;
    bool requested_ = false;
    bool mainLoopRunning_ = false;
    int mainLoopLevel_ = 0;
    bool retryPending_ = false;
};

} // namespace netrova
