#include "tools/RegArgs.h"

#include "common/CommandLine.h"
#include "common/Text.h"

#include <string_view>

namespace netrova {

const char* const kRegUsage =
    "usage: netrova-reg get    KEY VALUE\n"
    "       netrova-reg set    KEY VALUE int|str|bin DATA\n"
    "       netrova-reg list   KEY\n"
    "       netrova-reg delete KEY [VALUE]\n"
    "       netrova-reg --help | --version\n"
    "KEY is HKCU or HKLM followed by the key path, e.g. 'HKLM\\Software\\Netrova'.\n"
    "int data is decimal, bin data is hex digits.\n"
    "Exit status: 0 done, 1 the key or value is missing or the store unusable, 2 bad arguments,\n"
    "3 the store stayed busy.\n";

namespace {

bool ParseKey(std::string_view text, RegCommand& cmd, std::string& why) {
    const std::size_t cut = text.find('\\');
    const std::string_view word = text.substr(0, cut);
    cmd.shown = std::string(text);
    if (SameFoldedAscii(word, "HKLM"))
        cmd.root = Root::LocalMachine;
    else if (SameFoldedAscii(word, "HKCU"))
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

// The command and its arguments, after the options.
std::optional<RegCommand> ParseWords(const std::vector<std::string>& words, std::string& why) {
    const std::string& command = words[0];
    RegCommand cmd;
    if (command == "get" && words.size() == 3)
        cmd.kind = RegCommand::Kind::Get;
    else if (command == "set" && words.size() == 5)
        cmd.kind = RegCommand::Kind::Set;
    else if (command == "list" && words.size() == 2)
        cmd.kind = RegCommand::Kind::List;
    else if (command == "delete" && words.size() == 2)
        cmd.kind = RegCommand::Kind::DeleteKey;
    else if (command == "delete" && words.size() == 3)
        cmd.kind = RegCommand::Kind::DeleteValue;
    else if (command != "get" && command != "set" && command != "list" && command != "delete")
        why = "unknown command \"" + command + "\"";
    else
        why = "bad argument count for " + command;
    if (!why.empty() || !ParseKey(words[1], cmd, why))
        return std::nullopt;
    if (cmd.kind == RegCommand::Kind::DeleteKey && SplitKeyPath(cmd.path)->empty()) {
        why = "a root cannot be deleted";
        return std::nullopt;
    }
    if (words.size() >= 3) {
        cmd.name = words[2];
        why = NameProblem(cmd.name);
    }
    if (why.empty() && cmd.kind == RegCommand::Kind::Set)
        ParseNewValue(words[3], words[4], cmd, why);
    if (!why.empty())
        return std::nullopt;
    return cmd;
}

} // namespace

std::string NameProblem(const std::string& name) {
    if (HasControlCharacter(name))
        return "a key or value name cannot hold control characters (tab, new line ...)";
    return {};
}

std::optional<RegCommand> ParseRegArgs(const std::vector<std::string>& args, std::string& why) {
    RegCommand cmd;
    std::vector<std::string> words;
    const auto ask = ParseCommandWords(args, words, why);
    if (!ask)
        return std::nullopt;
    if (*ask != CommandLineAsk::Run) {
        cmd.kind =
            *ask == CommandLineAsk::Help ? RegCommand::Kind::Help : RegCommand::Kind::Version;
        return cmd;
    }
    if (words.empty()) {
        why = "no command: get, set, list or delete";
        return std::nullopt;
    }
    return ParseWords(words, why);
}

} // namespace netrova
