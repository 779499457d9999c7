// The store's key paths and stored numbers. Input: key path, value name and data, separated by
// zero bytes; the key is made, written, read back and deleted on a real store file.

#include "FuzzSupport.h"
#include "common/Text.h"
#include "store/Registry.h"

#include <cstdlib>
#include <memory>

using namespace netrova;

namespace {

SettingsStore& Store() {
    static const std::unique_ptr<SettingsStore> store = [] {
        const std::string folder = fuzz::TempFolder("netrova-fuzz-store");
        return std::make_unique<SettingsStore>(
            StorePaths{folder + "/user.db", folder + "/machine.db"});
    }();
    return *store;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto fields = fuzz::Fields(data, size);
    const std::string& path = fields[0];
    const std::string name = fields.size() > 1 ? fields[1] : "Value";
    const std::string text = fields.size() > 2 ? fields[2] : "";

    // Numbers: the range-checked parses agree with the wrapping one wherever they give a value.
    if (const auto strict = ParseInt32(text))
        fuzz::Require(LeadingInt32(text) == strict, "a strict number is also a leading one");
    if (const auto leading = LeadingInt32(text))
        fuzz::Require(LeadingInt(text) == *leading, "in range, no parse wraps");

    const auto parts = SplitKeyPath(path);
    if (parts)
        for (std::string_view part : *parts)
            fuzz::Require(!part.empty() && part.find('\\') == std::string_view::npos,
                          "a key name is never empty and holds no separator");

    Registry reg(Store(), Root::CurrentUser);
    try {
        const bool opened = reg.OpenKey(path, true);
        fuzz::Require(opened == parts.has_value(), "a path opens exactly when it is valid");
        if (!opened)
            return 0;
        reg.WriteString(name, text);
        fuzz::Require(reg.ReadString(name) == text, "a string reads back as written");
        if (const auto number = ParseInt32(text)) {
            reg.WriteInteger(name, *number);
            fuzz::Require(reg.ReadInteger(name) == *number, "an integer reads back as written");
        }
        reg.CloseKey();
        if (!parts->empty()) {
            fuzz::Require(reg.DeleteKey(path), "a made key can be deleted");
            fuzz::Require(!reg.KeyExists(path), "a deleted key is gone");
        }
    } catch (const StoreError&) {
        // Only an invalid path may be refused.
        fuzz::Require(!parts.has_value(), "a valid path is never refused");
    }
    return 0;
}
