#include "platform/QtMessageBoxes.h"

#include "common/Log.h"
#include "platform/Display.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>

namespace netrova {

namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Stop:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A box that only its buttons answer: Escape and the window's close button do nothing. A
// termination request still ends it (TerminationSignals rejects a box it cannot close), with
// no button clicked.
class RequiredAnswerBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

} // namespace

QtMessageBoxes::QtMessageBoxes() : interactive_(HasDisplay()) {}

MsgResult QtMessageBoxes::Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                               const std::string& caption) {
    if (!interactive_) {
        // Nobody can answer: a question takes its default answer, as Enter would.
        const bool question = buttons != MsgButtons::Ok;
        const bool no = buttons == MsgButtons::YesNoDefaultNo;
        const QString line =
            QString::fromStdString(caption + ": " + text) +
            (question ? (no ? QStringLiteral(" [No]") : QStringLiteral(" [Yes]")) : QString());
        if (icon == MsgIcon::Stop)
            qCCritical(lcApp).noquote() << line;
        else if (icon == MsgIcon::Warning)
            qCWarning(lcApp).noquote() << line;
        else
            qCInfo(lcApp).noquote() << line;
        return !question ? MsgResult::Ok : no ? MsgResult::No : MsgResult::Yes;
    }
    if (buttons == MsgButtons::YesNoRequired) {
        RequiredAnswerBox box(BoxIcon(icon), QString::fromStdString(caption),
                              QString::fromStdString(text), QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.exec();
        if (box.clickedButton() == box.button(QMessageBox::Yes))
            return MsgResult::Yes;
        return box.clickedButton() == box.button(QMessageBox::No) ? MsgResult::No : MsgResult::None;
    }
    QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), QString::fromStdString(text));
    if (buttons == MsgButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MsgResult::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(buttons == MsgButtons::YesNoDefaultNo ? QMessageBox::No
                                                               : QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    // Closing the box in any other way counts as No: a question is never answered by accident.
    return box.clickedButton() == box.button(QMessageBox::Yes) ? MsgResult::Yes : MsgResult::No;
}

} // namespace netrova
