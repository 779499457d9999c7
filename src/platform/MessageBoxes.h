#pragma once

#include <deque>
#include <string>
#include <vector>

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

// Test double: records every box and answers Yes/No questions from a script.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MsgIcon icon;
        MsgButtons buttons;
    };

    MsgResult Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                   const std::string& caption) override;

    // Answers for the coming Yes/No questions, in order. A question without a scripted
    // answer is a fault of the test and throws.
    void Answer(MsgResult answer) { answers_.push_back(answer); }
    const std::vector<Shown>& shown() const { return shown_; }
    std::vector<std::string> texts() const;
    void clear() { shown_.clear(); }
    std::size_t pendingAnswers() const { return answers_.size(); }

private:
    std::vector<Shown> shown_;
    std::deque<MsgResult> answers_;
};

} // namespace netrova
