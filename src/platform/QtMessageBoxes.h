#pragma once

#include "platform/MessageBoxes.h"

namespace netrova {

// The message boxes of the program, shown with QMessageBox. Without a display they are
// logged on netrova.app, and a question takes its default answer, Yes.
class QtMessageBoxes : public MessageBoxes {
public:
    QtMessageBoxes();
    explicit QtMessageBoxes(bool interactive) : interactive_(interactive) {}

    MsgResult Show(const std::string& text, MsgIcon icon = MsgIcon::None,
                   MsgButtons buttons = MsgButtons::Ok,
                   const std::string& caption = kBoxCaption) override;

private:
    bool interactive_;
};

} // namespace netrova
