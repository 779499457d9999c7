#pragma once

#include <QDialog>

class QAbstractButton;
class QHBoxLayout;
class QPushButton;
class QShortcut;

#include <exception>
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

// The "OK" (default), "Cancel" and "&Help" buttons, named BitBtn1..BitBtn3, right-aligned in
// one row; F1 is the help button's key.
struct DialogButtons {
    QPushButton* ok;
    QPushButton* cancel;
    QPushButton* help;
    QHBoxLayout* row;
    QShortcut* helpKey;
};
DialogButtons MakeDialogButtons(QDialog& dialog);

// Places a fixed-size dialog in the middle of its screen.
void CenterOnScreen(QWidget& dialog);

} // namespace netrova
