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

// What a dialog's row of buttons holds and how it is laid. The buttons come in this order, after
// the widgets made before them in the tab chain.
struct ButtonRowOptions {
    // The accepting button, the dialog's default: its caption and objectName.
    const char* accept = "OK";
    const char* acceptName = "OKButton";
    bool cancel = true; // "Cancel" (CancelButton), which rejects
    bool help = true;   // "&Help" (HelpButton); F1 anywhere in the dialog clicks it
    // A form's row: buttons at least 88 pixels wide and none auto-default, so that Enter in a
    // field always means the default button. Otherwise only the accepting button is auto-default.
    bool form = true;
    bool centred = false; // rather than right-aligned
};
// The row of a window to look at rather than fill in: "OK" and "&Help".
inline constexpr ButtonRowOptions kOkHelpRow{.cancel = false, .form = false};

// The row's buttons; those not asked for are null, as is helpKey without "&Help".
struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
    QPushButton* help;
    QHBoxLayout* row;
    QShortcut* helpKey;
};
DialogButtons MakeButtonRow(QDialog& dialog, const ButtonRowOptions& options = {});

// A form's "OK", "Cancel" and "&Help", connected: "OK" runs `ok` under `errors`, "&Help" runs
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
