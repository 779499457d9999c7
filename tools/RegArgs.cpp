#include "tools/RegArgs.h"

#include "common/Text.h"

#include <cctype>
#include <string_view>

namespace netrova {

const char* const kRegUsage =
    "usage: netrova-reg get    KEY VALUE\n"
    "       netrova-reg set    KEY VALUE int|str|bin DATA\n"
    "       netrova-reg list   KEY\n"
    "       netrova-reg delete KEY [VALUE]\n"
    "       netrova-reg --help\n"
    "KEY is HKCU or HKLM followed by the key path, e.g. 'HKLM\\Software\\Netrova'.\n"
    "int data is decimal, bin data is hex digits.\n";

namespace {

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return true;
}

bool ParseKey(std::string_view text, RegCommand& cmd, std::string& why) {
    const std::size_t cut = text.find('\\');
    const std::string_view word = text.substr(0, cut);
    cmd.shown = std::string(text);
    if (SameWord(word, "HKLM"))
        cmd.root = Root::LocalMachine;
    else if (SameWord(word, "HKCU"))
        cmd.root = Root::CurrentUser;
    else
        why = "a key starts with HKCU or HKLM: \"" + cmd.shown + "\"";
    if (!why.empty())
        return false;
    if (cut != std::string_view::npos)
        cmd.path = std::string(text.substr(cut));
    if (!SplitKeyPath(cmd.path))
        why = "a key name cannot be empty (two \"\\\" in a row): \"" + cmd.shown + "\"";
    else
        why = NameProblem(cmd.shown);
    return why.empty();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

bool ParseNewValue(const std::string& type, const std::string& data, RegCommand& cmd,
                   std::string& why) {
    if (type == "int") {
        const auto number = ParseInt32(data);
        if (!number)
            why = "not a 32-bit decimal integer: \"" + data + "\"";
        cmd.type = ValueType::Integer;
        cmd.number = number.value_or(0);
    } else if (type == "bin") {
        auto bytes = ParseHex(data);
        if (!bytes)
            why = "not an even number of hex digits: \"" + data + "\"";
        cmd.type = ValueType::Binary;
        cmd.bytes = bytes.value_or(std::vector<std::uint8_t>{});
    } else if (type == "str") {
        cmd.type = ValueType::String;
        cmd.text = data;
    } else {
        why = "unknown type \"" + type + "\"";
    }
    return why.empty();
}

} // namespace

std::string NameProblem(const std::string& name) {
    if (HasControlCharacter(name))
        return "a key or value name cannot hold control characters (tab, new line ...)";
    return {};
}

std::optional<RegCommand> ParseRegArgs(const std::vector<std::string>& args, std::string& why) {
    why.clear();
    RegCommand cmd;
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h"))
        return cmd;
    if (args.size() < 2) {
        why = "missing arguments";
        return std::nullopt;
    }
    const std::string& command = args[0];
    if (command == "get" && args.size() == 3)
        cmd.kind = RegCommand::Kind::Get;
    else if (command == "set" && args.size() == 5)
        cmd.kind = RegCommand::Kind::Set;
    else if (command == "list" && args.size() == 2)
        cmd.kind = RegCommand::Kind::List;
    else if (command == "delete" && args.size() == 2)
        cmd.kind = RegCommand::Kind::DeleteKey;
    else if (command == "delete" && args.size() == 3)
        cmd.kind = RegCommand::Kind::DeleteValue;
    else if (command != "get" && command != "set" && command != "list" && command != "delete")
        why = "unknown command \"" + command + "\"";
    else
        why = "bad argument count for " + command;
    if (!why.empty() || !ParseKey(args[1], cmd, why))
        return std::nullopt;
    if (cmd.kind == RegCommand::Kind::DeleteKey && SplitKeyPath(cmd.path)->empty()) {
        why = "a root cannot be deleted";
        return std::nullopt;
    }
    if (args.size() >= 3) {
        cmd.name = args[2];
        why = NameProblem(cmd.name);
    }
    if (why.empty() && cmd.kind == RegCommand::Kind::Set)
        ParseNewValue(args[3], args[4], cmd, why);
    if (!why.empty())
        return std::nullopt;
    return cmd;
}

} // namespace netrova
