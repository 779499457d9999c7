#include "options/OptionsDialogSupport.h"

#include <QPushButton>

namespace netrova {

DialogButtons MakeConnectedButtons(QDialog& dialog, DialogErrors& errors, std::function<void()> ok,
                                   std::function<void()> help) {
    const DialogButtons buttons = MakeDialogButtons(dialog);
    QObject::connect(buttons.ok, &QPushButton::clicked, &dialog,
                     [&dialog, &errors, ok = std::move(ok)] { errors.Run(dialog, ok); });
    QObject::connect(buttons.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(buttons.help, &QPushButton::clicked, &dialog, std::move(help));
    return buttons;
}

void QueueActivation(QDialog& dialog, DialogErrors& errors, std::function<void()> activate) {
    QMetaObject::invokeMethod(
        &dialog,
        [&dialog, &errors, activate = std::move(activate)] { errors.Run(dialog, activate); },
        Qt::QueuedConnection);
}

int ExecDialog(QDialog& dialog, DialogErrors& errors) {
    const int result = dialog.exec();
    errors.RethrowPending();
    return result;
}

} // namespace netrova
