#include "platform/QtMessageBoxes.h"

#include "platform/Display.h"

#include <QMessageBox>

#include <cstdio>

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

} // namespace

QtMessageBoxes::QtMessageBoxes() : interactive_(HasDisplay()) {}

MsgResult QtMessageBoxes::Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                               const std::string& caption) {
    if (!interactive_) {
        // Nobody can answer: a question takes its default answer, as Enter would.
        std::fprintf(stderr, "%s: %s%s\n", caption.c_str(), text.c_str(),
                     buttons == MsgButtons::YesNo ? " [Yes]" : "");
        return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
    }
    QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), QString::fromStdString(text));
    if (buttons == MsgButtons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MsgResult::Ok;
    }
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    // Closing the box in any other way counts as No: a question is never answered by accident.
    return box.clickedButton() == box.button(QMessageBox::Yes) ? MsgResult::Yes : MsgResult::No;
}

} // namespace netrova
