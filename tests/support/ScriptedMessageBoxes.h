#pragma once

#include "platform/MessageBoxes.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace netrova {

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
    // What runs while a box is open (a real one runs the event loop: timers fire).
    std::function<void()> whileShown;

private:
    std::vector<Shown> shown_;
    std::deque<MsgResult> answers_;
};

} // namespace netrova
