#pragma once

#include <string>

namespace netrova {

// Every box of the program carries this caption.
inline constexpr const char* kBoxCaption = "Netrova 1.2";

enum class MsgIcon { None, Information, Warning, Stop, Question };
// YesNoRequired: a question that only Yes or No answers; Escape and the close button do not.
// YesNoDefaultNo: a question whose Yes destroys data, so that Enter answers No.
enum class MsgButtons { Ok, YesNo, YesNoRequired, YesNoDefaultNo };
// None: a YesNoRequired question left unanswered because the program was told to end.
enum class MsgResult { Ok, Yes, No, None };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box and returns the answer. Timers keep running while it is open.
    virtual MsgResult Show(const std::string& text, MsgIcon icon = MsgIcon::None,
                           MsgButtons buttons = MsgButtons::Ok,
                           const std::string& caption = kBoxCaption) = 0;
};

} // namespace netrova
