// netrova-reg's command line: arguments separated by zero bytes. A command that is accepted
// names a valid key and holds no control characters in its names.

#include "FuzzSupport.h"
#include "common/Text.h"
#include "tools/RegArgs.h"

#include <algorithm>
#include <string>

using namespace netrova;

namespace {

// "+007" -> "7", "-0" -> "0": how the number would print.
std::string Canonical(std::string text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        text.erase(0, 1);
    text.erase(0, std::min(text.find_first_not_of('0'), text.size()));
    if (text.empty())
        return "0";
    return negative ? "-" + text : text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto args = fuzz::Fields(data, size);
    std::string why;
    const auto cmd = ParseRegArgs(args, why);
    fuzz::Require(cmd.has_value() == why.empty(), "a refusal always gives its reason");
    if (!cmd || cmd->kind == RegCommand::Kind::Help || cmd->kind == RegCommand::Kind::Version)
        return 0;
    fuzz::Require(SplitKeyPath(cmd->path).has_value(), "an accepted key path is valid");
    fuzz::Require(!HasControlCharacter(cmd->path) && !HasControlCharacter(cmd->name),
                  "accepted names hold no control characters");
    if (cmd->kind == RegCommand::Kind::DeleteKey)
        fuzz::Require(!SplitKeyPath(cmd->path)->empty(), "a root is never deleted");
    if (cmd->kind == RegCommand::Kind::Set && cmd->type == ValueType::Integer)
        fuzz::Require(std::to_string(cmd->number) == Canonical(args.back()),
                      "an integer is taken exactly as given, never wrapped");
    return 0;
}
