#pragma once

#include <functional>
#include <string>
#include <utility>

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

    // A short word on what a command did, in a line that neither waits for an answer nor
    // takes the keys (the main window's status line); nothing while no such line is set.
    void Notice(const std::string& text) {
        if (notice_)
            notice_(text);
    }
    void SetNoticeLine(std::function<void(const std::string&)> line) { notice_ = std::move(line); }

private:
    std::function<void(const std::string&)> notice_;
};

} // namespace netrova
