// netrova-reg: reads and writes Netrova's settings store from the command line.
//
//   netrova-reg get    KEY VALUE
//   netrova-reg set    KEY VALUE int|str|bin DATA
//   netrova-reg list   KEY
//   netrova-reg delete KEY [VALUE]
//   netrova-reg --help | --version
//
// KEY is a root word, HKCU or HKLM, followed by the key path: 'HKLM\Software\Netrova'.
// Exit codes: 0 done, 1 key or value missing or the store unusable, 2 bad arguments, 3 the
// store stayed busy (another program kept writing to it for a minute).

#include "common/CommandLine.h"
#include "common/Log.h"
#include "store/Registry.h"
#include "tools/RegArgs.h"
#include "tools/ToolStore.h"

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace netrova;

namespace {

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
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
std::string DataText(Registry& reg, std::string_view name, ValueType type) {
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
    return kExitError;
}

int BadArguments(const std::string& why) {
    std::cerr << BadArgumentsText("netrova-reg", why);
    return kExitBadArguments;
}

int Get(SettingsStore& store, const RegCommand& key, const std::string& name) {
    Registry reg(store, key.root);
    if (!reg.OpenKey(key.path, false))
        return Missing("key " + key.shown);
    const ValueType type = reg.GetDataType(name);
    if (type == ValueType::None)
        return Missing("value \"" + name + "\" in " + key.shown);
    const std::string text = DataText(reg, name, type);
    reg.CloseKey();
    std::cout << text << "\n";
    return kExitOk;
}

int Set(SettingsStore& store, const RegCommand& value) {
    const RegCommand& key = value;
    const std::string& name = value.name;
    Registry reg(store, key.root);
    reg.OpenKey(key.path, true);
    if (value.type == ValueType::Integer)
        reg.WriteInteger(name, value.number);
    else if (value.type == ValueType::Binary)
        reg.WriteBinary(name, value.bytes.data(), value.bytes.size());
    else
        reg.WriteString(name, value.text);
    reg.CloseKey();
    return kExitOk;
}

int List(SettingsStore& store, const RegCommand& key) {
    Registry reg(store, key.root);
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
    return kExitOk;
}

int DeleteKey(SettingsStore& store, const RegCommand& key) {
    Registry reg(store, key.root);
    return reg.DeleteKey(key.path) ? kExitOk : Missing("key " + key.shown);
}

int DeleteValue(SettingsStore& store, const RegCommand& key, const std::string& name) {
    Registry reg(store, key.root);
    if (!reg.OpenKey(key.path, false))
        return Missing("key " + key.shown);
    const bool deleted = reg.DeleteValue(name);
    reg.CloseKey();
    return deleted ? kExitOk : Missing("value \"" + name + "\" in " + key.shown);
}

int Run(SettingsStore& store, const RegCommand& cmd) {
    switch (cmd.kind) {
    case RegCommand::Kind::Get:
        return Get(store, cmd, cmd.name);
    case RegCommand::Kind::Set:
        return Set(store, cmd);
    case RegCommand::Kind::List:
        return List(store, cmd);
    case RegCommand::Kind::DeleteKey:
        return DeleteKey(store, cmd);
    case RegCommand::Kind::DeleteValue:
        return DeleteValue(store, cmd, cmd.name);
    case RegCommand::Kind::Help:
    case RegCommand::Kind::Version:
        break;
    }
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    IgnoreBrokenPipes();
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string why;
    const std::optional<RegCommand> cmd = ParseRegArgs(args, why);
    if (!cmd)
        return BadArguments(why);
    if (cmd->kind == RegCommand::Kind::Help) {
        std::cout << kRegUsage;
        return kExitOk;
    }
    if (cmd->kind == RegCommand::Kind::Version) {
        std::cout << VersionText("netrova-reg");
        return kExitOk;
    }
    try {
        const bool reads =
            cmd->kind == RegCommand::Kind::Get || cmd->kind == RegCommand::Kind::List;
        const StorePaths paths = StorePaths::FromEnvironment();
        StoreOptions options = ToolStoreOptions("netrova-reg");
        options.readOnly = reads;
        SettingsStore store(reads ? ReadOnlyPaths(paths) : paths, options);
        return Run(store, *cmd);
    } catch (const StoreBusyError& e) {
        std::cerr << "netrova-reg: " << e.what() << "\n";
        return kExitStoreBusy;
    } catch (const StoreError& e) {
        std::cerr << "netrova-reg: " << e.what() << "\n";
        return kExitError;
    }
}
