// netrova-reg: reads and writes Netrova's settings store from the command line.
//
//   netrova-reg get    KEY VALUE
//   netrova-reg set    KEY VALUE int|str|bin DATA
//   netrova-reg list   KEY
//   netrova-reg delete KEY [VALUE]
//
// KEY is a root word, HKCU or HKLM, followed by the key path: 'HKLM\Software\Netrova'.
// Exit codes: 0 done, 1 key or value missing or the store unusable, 2 bad arguments, 3 the
// store stayed busy (another program kept writing to it for a minute).

#include "store/Registry.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace netrova;

namespace {

constexpr int kOk = 0;
constexpr int kMissing = 1;
constexpr int kBadArguments = 2;
constexpr int kBusy = 3;

constexpr const char* kUsage =
    "usage: netrova-reg get    KEY VALUE\n"
    "       netrova-reg set    KEY VALUE int|str|bin DATA\n"
    "       netrova-reg list   KEY\n"
    "       netrova-reg delete KEY [VALUE]\n"
    "KEY is HKCU or HKLM followed by the key path, e.g. 'HKLM\\Software\\Netrova'.\n"
    "int data is decimal, bin data is hex digits.\n";

struct KeyArg {
    Root root;
    std::string path; // below the root; may be empty
    std::string shown;
};

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return true;
}

std::optional<KeyArg> ParseKey(std::string_view text) {
    const std::size_t cut = text.find('\\');
    const std::string_view word = text.substr(0, cut);
    KeyArg key{Root::CurrentUser, {}, std::string(text)};
    if (SameWord(word, "HKLM"))
        key.root = Root::LocalMachine;
    else if (!SameWord(word, "HKCU"))
        return std::nullopt;
    if (cut != std::string_view::npos)
        key.path = text.substr(cut);
    return key;
}

std::optional<std::int32_t> ParseInt(std::string_view text) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
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

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

struct NewValue {
    ValueType type = ValueType::None;
    std::int32_t number = 0;
    std::vector<std::uint8_t> bytes;
    std::string text;
};

// The data of set, checked before the store is touched; fills why when it is unusable.
NewValue ParseNewValue(const std::string& type, const std::string& data, std::string& why) {
    NewValue value;
    if (type == "int") {
        const auto number = ParseInt(data);
        if (!number)
            why = "not a 32-bit decimal integer: \"" + data + "\"";
        value = {ValueType::Integer, number.value_or(0), {}, {}};
    } else if (type == "bin") {
        auto bytes = ParseHex(data);
        if (!bytes)
            why = "not an even number of hex digits: \"" + data + "\"";
        value = {ValueType::Binary, 0, bytes.value_or(std::vector<std::uint8_t>{}), {}};
    } else if (type == "str") {
        value = {ValueType::String, 0, {}, data};
    } else {
        why = "unknown type \"" + type + "\"";
    }
    return value;
}

const char* TypeWord(ValueType type) {
    switch (type) {
    case ValueType::Integer:
        return "int";
    case ValueType::String:
        return "str";
    case ValueType::Binary:
        return "bin";
    case ValueType::None:
        break;
    }
    return "?";
}

// The value's data as get and list print it.
std::string DataText(TRegistry& reg, std::string_view name, ValueType type) {
    switch (type) {
    case ValueType::Integer:
        return std::to_string(reg.ReadInteger(name));
    case ValueType::String:
        return reg.ReadString(name);
    case ValueType::Binary:
        return Hex(reg.ReadBinary(name));
    case ValueType::None:
        break;
    }
    return {};
}

int Missing(const std::string& what) {
    std::cerr << "netrova-reg: " << what << " does not exist\n";
    return kMissing;
}

int BadArguments(const std::string& why) {
    std::cerr << "netrova-reg: " << why << "\n" << kUsage;
    return kBadArguments;
}

int Get(SettingsStore& store, const KeyArg& key, const std::string& name) {
    TRegistry reg(store, key.root);
    if (!reg.OpenKey(key.path, false))
        return Missing("key " + key.shown);
    const ValueType type = reg.GetDataType(name);
    if (type == ValueType::None)
        return Missing("value \"" + name + "\" in " + key.shown);
    const std::string text = DataText(reg, name, type);
    reg.CloseKey();
    std::cout << text << "\n";
    return kOk;
}

int Set(SettingsStore& store, const KeyArg& key, const std::string& name, const NewValue& value) {
    TRegistry reg(store, key.root);
    reg.OpenKey(key.path, true);
    if (value.type == ValueType::Integer)
        reg.WriteInteger(name, value.number);
    else if (value.type == ValueType::Binary)
        reg.WriteBinary(name, value.bytes.data(), value.bytes.size());
    else
        reg.WriteString(name, value.text);
    reg.CloseKey();
    return kOk;
}

int List(SettingsStore& store, const KeyArg& key) {
    TRegistry reg(store, key.root);
    if (!reg.OpenKey(key.path, false))
        return Missing("key " + key.shown);
    std::string out;
    for (const std::string& sub : reg.GetKeyNames())
        out += sub + "\\\n";
    for (const std::string& name : reg.GetValueNames()) {
        const ValueType type = reg.GetDataType(name);
        out += name + "\t" + TypeWord(type) + "\t" + DataText(reg, name, type) + "\n";
    }
    reg.CloseKey();
    std::cout << out;
    return kOk;
}

int DeleteKey(SettingsStore& store, const KeyArg& key) {
    TRegistry reg(store, key.root);
    return reg.DeleteKey(key.path) ? kOk : Missing("key " + key.shown);
}

int DeleteValue(SettingsStore& store, const KeyArg& key, const std::string& name) {
    TRegistry reg(store, key.root);
    if (!reg.OpenKey(key.path, false))
        return Missing("key " + key.shown);
    const bool deleted = reg.DeleteValue(name);
    reg.CloseKey();
    return deleted ? kOk : Missing("value \"" + name + "\" in " + key.shown);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2)
        return BadArguments("missing arguments");
    const std::string& command = args[0];
    const std::optional<KeyArg> key = ParseKey(args[1]);
    if (!key)
        return BadArguments("a key starts with HKCU or HKLM: \"" + args[1] + "\"");

    const bool isGet = command == "get" && args.size() == 3;
    const bool isSet = command == "set" && args.size() == 5;
    const bool isList = command == "list" && args.size() == 2;
    const bool isDelete = command == "delete" && (args.size() == 2 || args.size() == 3);
    if (!isGet && !isSet && !isList && !isDelete)
        return BadArguments("bad command or argument count");
    if (isDelete && args.size() == 2 && key->path.find_first_not_of('\\') == std::string::npos)
        return BadArguments("a root cannot be deleted");
    std::string why;
    const NewValue value = isSet ? ParseNewValue(args[3], args[4], why) : NewValue{};
    if (!why.empty())
        return BadArguments(why);

    try {
        StoreOptions options;
        options.busyTimeoutMs = StoreOptions::kToolBusyTimeoutMs;
        options.onLongWait = [] {
            std::cerr << "netrova-reg: another program is writing to the settings store; "
                         "waiting for it\n";
        };
        SettingsStore store(StorePaths::FromEnvironment(), options);
        if (isGet)
            return Get(store, *key, args[2]);
        if (isSet)
            return Set(store, *key, args[2], value);
        if (isList)
            return List(store, *key);
        return args.size() == 3 ? DeleteValue(store, *key, args[2]) : DeleteKey(store, *key);
    } catch (const StoreBusyError& e) {
        std::cerr << "netrova-reg: " << e.what() << "\n";
        return kBusy;
    } catch (const StoreError& e) {
        std::cerr << "netrova-reg: " << e.what() << "\n";
        return kMissing;
    }
}
