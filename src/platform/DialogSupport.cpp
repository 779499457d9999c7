#include "platform/DialogSupport.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

namespace netrova {

DialogButtons MakeDialogButtons(QDialog& dialog) {
    const auto button = [&dialog](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), &dialog);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setMinimumWidth(88);
        return b;
    };
    DialogButtons buttons{button("BitBtn1", "OK"), button("BitBtn2", "Cancel"),
                          button("BitBtn3", "&Help"), new QHBoxLayout, nullptr};
    buttons.helpKey = HelpKey(dialog, *buttons.help);
    buttons.ok->setDefault(true);
    buttons.row->addStretch(1);
    for (QPushButton* b : {buttons.ok, buttons.cancel, buttons.help})
        buttons.row->addWidget(b);
    return buttons;
}

QShortcut* HelpKey(QWidget& dialog, QAbstractButton& help) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), &dialog);
    QObject::connect(key, &QShortcut::activated, &help, &QAbstractButton::click);
    return key;
}

void CenterOnScreen(QWidget& dialog) {
    dialog.adjustSize();
    if (const QScreen* screen = dialog.screen()) {
        QRect frame = dialog.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog.move(frame.topLeft());
    }
}

} // namespace netrova
