#include "platform/DialogSupport.h"

#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

namespace netrova {

DialogButtons MakeButtonRow(QDialog& dialog, const ButtonRowOptions& options) {
    DialogButtons buttons{};
    const auto add = [&](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), &dialog);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        if (options.form)
            b->setMinimumWidth(88);
        return b;
    };
    buttons.ok = add(options.acceptName, options.accept);
    buttons.ok->setDefault(true);
    buttons.ok->setAutoDefault(!options.form);
    if (options.cancel) {
        buttons.cancel = add("CancelButton", "Cancel");
        QObject::connect(buttons.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    }
    if (options.help) {
        buttons.help = add("HelpButton", "&Help");
        buttons.helpKey = HelpKey(dialog, *buttons.help);
    }
    buttons.row = new QHBoxLayout;
    buttons.row->addStretch(1);
    for (QPushButton* b : {buttons.ok, buttons.cancel, buttons.help})
        if (b)
            buttons.row->addWidget(b);
    if (options.centred)
        buttons.row->addStretch(1);
    return buttons;
}

DialogButtons MakeConnectedButtons(QDialog& dialog, DialogErrors& errors, std::function<void()> ok,
                                   std::function<void()> help) {
    const DialogButtons buttons = MakeButtonRow(dialog);
    QObject::connect(buttons.ok, &QPushButton::clicked, &dialog,
                     [&dialog, &errors, ok = std::move(ok)] { errors.Run(dialog, ok); });
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

QShortcut* HelpKey(QWidget& dialog, QAbstractButton& help) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), &dialog);
    QObject::connect(key, &QShortcut::activated, &help, &QAbstractButton::click);
    return key;
}

void FitOnScreen(QWidget& dialog) {
    const QScreen* screen = dialog.screen();
    if (!screen) {
        dialog.adjustSize();
        return;
    }
    const QRect free = screen->availableGeometry();
    // The window manager's frame is known once the window has been shown; before that, room
    // for a title bar and borders.
    const QSize frame =
        dialog.isVisible() ? dialog.frameGeometry().size() - dialog.size() : QSize(16, 48);
    const QSize room = (free.size() - frame).expandedTo(QSize(1, 1));
    dialog.setMinimumSize(dialog.minimumSize().boundedTo(room));
    // The contents' own size: adjustSize would stop at two thirds of the screen.
    if (QLayout* layout = dialog.layout())
        layout->activate();
    dialog.resize(dialog.sizeHint().expandedTo(dialog.minimumSizeHint()).boundedTo(room));
    QRect outer(QPoint(), dialog.size() + frame);
    outer.moveCenter(free.center());
    dialog.move(outer.topLeft());
}

void FitGrownContents(QWidget& dialog) {
    const QSize need = dialog.minimumSizeHint();
    if (need.width() <= dialog.width() && need.height() <= dialog.height())
        return;
    // The layout's minimum again, which FitOnScreen bounds by the screen.
    dialog.setMinimumSize(0, 0);
    if (QLayout* layout = dialog.layout()) {
        layout->invalidate();
        layout->activate();
    }
    FitOnScreen(dialog);
}

} // namespace netrova
