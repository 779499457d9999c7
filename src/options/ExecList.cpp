#include "options/ExecList.h"

#include "platform/MessageBoxes.h"
#include "platform/ProgramLauncher.h"
#include "settings/Defaults.h"

#include <algorithm>

namespace netrova {

namespace {

std::string LineName(std::size_t i) {
    return "Line" + std::to_string(i);
}

} // namespace

std::vector<std::string> ReadExecList(SettingsStore& store) {
    Registry reg(store, Root::CurrentUser);
    if (!reg.OpenKey(kExecKey, false))
        return {};
    // "Lines" may claim far more entries than were ever written (another program, a damaged
    // store): the list ends at the first entry that is missing, and at the limit. Without
    // "Lines" there is no list.
    const int count =
        reg.ValueExists("Lines") ? std::min(reg.ReadInteger("Lines"), kExecListLimit) : 0;
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        const std::string name = LineName(static_cast<std::size_t>(i));
        if (!reg.ValueExists(name))
            break;
        lines.push_back(reg.ReadString(name));
    }
    reg.CloseKey();
    return lines;
}

void WriteExecList(SettingsStore& store, const std::vector<std::string>& lines) {
    Registry reg(store, Root::CurrentUser);
    reg.OpenKey(kExecKey, true);
    reg.WriteInteger("Lines", static_cast<std::int32_t>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i)
        reg.WriteString(LineName(i), lines[i]);
    reg.CloseKey();
}

void RunExecList(SettingsStore& store, ProgramLauncher& launcher, MessageBoxes& boxes) {
    // Read whole first: the store is not kept open while a failure box waits for the user.
    // One box for all failures: a connection never brings a queue of boxes.
    std::string failures;
    for (const std::string& path : ReadExecList(store)) {
        if (launcher.Start(path))
            continue;
        if (!failures.empty())
            failures += '\n';
        failures += "Can't launch the program : " + path;
    }
    if (!failures.empty())
        boxes.Show(failures, MsgIcon::Stop);
}

std::vector<std::string> TextLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(begin));
            break;
        }
        lines.emplace_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    // A final empty line needs its own line break to survive TextLines.
    if (!lines.empty() && lines.back().empty())
        text += '\n';
    return text;
}

std::string ProgramCountText(std::size_t count) {
    return "Now you have entered " + std::to_string(count) + " programs";
}

} // namespace netrova
