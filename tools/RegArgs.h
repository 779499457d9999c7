#pragma once

// The command line of netrova-reg, checked before the store is touched.

#include "store/Registry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace netrova {

extern const char* const kRegUsage;

struct RegCommand {
    enum class Kind { Help, Version, Get, Set, List, DeleteKey, DeleteValue };
    Kind kind = Kind::Help;
    Root root = Root::CurrentUser;
    std::string path;  // below the root; may be empty
    std::string shown; // the key as given
    std::string name;  // the value's name, for Get, Set and DeleteValue
    // The new value of Set.
    ValueType type = ValueType::None;
    std::int32_t number = 0;
    std::vector<std::uint8_t> bytes;
    std::string text;
};

// The command, or nothing with the reason in why when the arguments are bad.
std::optional<RegCommand> ParseRegArgs(const std::vector<std::string>& args, std::string& why);

// Why a key path or value name cannot be used ("" when it can): control characters would make
// the tool's line-by-line output ambiguous.
std::string NameProblem(const std::string& name);

} // namespace netrova
