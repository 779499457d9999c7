#pragma once

#include <QDialog>

class QAbstractButton;
class QHBoxLayout;
class QPushButton;
class QShortcut;

#include <exception>
#include <functional>
#include <utility>

namespace netrova {

// A store error in a dialog handler that runs inside the dialog's own event loop closes the
// dialog and is thrown again by the opener once exec() has returned. It so reaches the
// application's error display without unwinding through the event loop, and a half-loaded
// dialog can never be confirmed.
class DialogErrors {
public:
    template <class Handler> void Run(QDialog& dialog, Handler&& handler) {
        try {
            handler();
        } catch (...) {
            if (!error_)
                error_ = std::current_exception();
            dialog.reject();
        }
    }
    bool Pending() const { return static_cast<bool>(error_); }
    void RethrowPending() {
        if (error_)
            std::rethrow_exception(std::exchange(error_, nullptr));
    }

private:
    std::exception_ptr error_;
};

// F1 anywhere in the dialog does what its help button does.
QShortcut* HelpKey(QWidget& dialog, QAbstractButton& help);

// The "OK" (default), "Cancel" and "&Help" buttons (OKButton, CancelButton, HelpButton),
// right-aligned in one row; F1 is the help button's key.
struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
    QPushButton* help;
    QHBoxLayout* row;
    QShortcut* helpKey;
};
DialogButtons MakeDialogButtons(QDialog& dialog);

// The same buttons, connected: "OK" runs `ok` under `errors`, "Cancel" rejects, "&Help" runs
// `help`.
DialogButtons MakeConnectedButtons(QDialog& dialog, DialogErrors& errors, std::function<void()> ok,
                                   std::function<void()> help);

// Runs `activate` under `errors` after the showing; call it from showEvent. Queued: the
// activation may close the dialog, which exec() only notices once its loop runs.
void QueueActivation(QDialog& dialog, DialogErrors& errors, std::function<void()> activate);

// exec(), then the store error of a handler, if any, thrown to the opener.
int ExecDialog(QDialog& dialog, DialogErrors& errors);

// Sizes a window from its contents, no larger than its screen's free area (a fixed-size window
// cannot shrink: give it a layout that can), and places it in the middle of that area. Call
// once the contents are final.
void FitOnScreen(QWidget& dialog);

// FitOnScreen again once what came after the window was placed (texts, rows, names) no longer
// fits in it: from the contents' own minimum, so that the window grows to hold them, within the
// screen's free area and centred there. A window whose contents still fit keeps its size and
// place.
void FitGrownContents(QWidget& dialog);

} // namespace netrova
