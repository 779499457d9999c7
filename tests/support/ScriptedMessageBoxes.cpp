#include "ScriptedMessageBoxes.h"

#include <stdexcept>

namespace netrova {

MsgResult ScriptedMessageBoxes::Show(const std::string& text, MsgIcon icon, MsgButtons buttons,
                                     const std::string& caption) {
    shown_.push_back({text, caption, icon, buttons});
    if (whileShown)
        whileShown();
    if (buttons == MsgButtons::Ok)
        return MsgResult::Ok;
    // MsgResult::None scripts a question left unanswered (the program told to end).
    if (answers_.empty())
        throw std::logic_error("No scripted answer for the question \"" + text + "\"");
    const MsgResult answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::vector<std::string> ScriptedMessageBoxes::texts() const {
    std::vector<std::string> out;
    for (const auto& s : shown_)
        out.push_back(s.text);
    return out;
}

} // namespace netrova
