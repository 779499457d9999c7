// netrova-dialup: reports a dial-up connection to Netrova through the settings store, for the
// manual dial-up source (trying the program without a modem, connection manager scripts).

#include "common/CommandLine.h"
#include "common/Log.h"
#include "dialup/DialUpService.h"
#include "store/Registry.h"
#include "tools/ToolStore.h"

#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace netrova;

namespace {

constexpr const char* kName = "netrova-dialup";

constexpr const char* kUsage =
    "usage: netrova-dialup dial NAME          report a connection through entry NAME\n"
    "       netrova-dialup dial NAME --interface IFACE\n"
    "                                         the same, counting the bytes of network\n"
    "                                         interface IFACE (ppp0, wwan0) as its volume\n"
    "       netrova-dialup hangup             report that the connection has ended\n"
    "       netrova-dialup status             print \"connected NAME\" or \"not connected\",\n"
    "                                         then \"source: \" and the connection source\n"
    "       netrova-dialup entries            list the dial-up entries, one per line\n"
    "       netrova-dialup add-entry NAME     add a dial-up entry\n"
    "       netrova-dialup remove-entry NAME  remove a dial-up entry\n"
    "       netrova-dialup --help | --version\n"
    "The store is the one Netrova uses: NETROVA_USER_STORE and NETROVA_MACHINE_STORE name its\n"
    "files, else the XDG locations below HOME.\n"
    "The connection source is NETROVA_DIALUP (networkmanager, pppd, manual or automatic, in\n"
    "any case) when it is set, else the one chosen in Netrova's Preferences; Automatic is\n"
    "NetworkManager when it is on the system bus, else pppd where /etc/ppp/peers exists, else\n"
    "manual. dial and hangup are for the manual source: where the source is NetworkManager or\n"
    "pppd, they are refused.\n"
    "Exit status: 0 done, 1 an error, 2 bad arguments or a refused report, 3 the store stayed\n"
    "busy (nothing was changed).\n";

int Usage(const std::string& problem) {
    std::cerr << BadArgumentsText(kName, problem);
    return kExitBadArguments;
}

int Fail(const std::string& message) {
    std::cerr << kName << ": " << message << "\n";
    return kExitError;
}

// What a command would have changed, for the message when the store stays busy.
std::string Unrecorded(const std::string& command) {
    if (command == "dial")
        return " The connection was not recorded.";
    if (command == "hangup")
        return " The hang-up was not recorded.";
    if (command == "add-entry")
        return " The entry was not added.";
    if (command == "remove-entry")
        return " The entry was not removed.";
    return {};
}

// A report by hand would override what NetworkManager or pppd say: a hang-up typed while
// their link is up would end its count. "" when the command may run.
std::string RefusedBySource(const std::string& command, const DialUpChoice& source) {
    if ((command != "dial" && command != "hangup") || source.Source == DialUpSource::Manual)
        return {};
    return std::string("the connection state comes from ") + source.Name() + " here (" +
           source.How() +
           "); \"dial\" and \"hangup\" are for the manual source (Manual in Preferences, or "
           "NETROVA_DIALUP=manual).";
}

// The entry is made and chosen before "Remote Connection" turns 1: the monitor takes the
// provider in the very tick that sees the connection. A dial without an interface removes the
// last one's: counting another link's bytes would be worse than knowing no volume.
void Dial(SettingsStore& store, const std::string& name, const std::string& interface) {
    std::string entry = name;
    if (const auto stored = FindEntry(store, name))
        entry = *stored;
    else
        AddEntry(store, name);
    SetDefaultEntry(store, entry);
    SetConnectionInterface(store, interface);
    SetRemoteConnection(store, true);
}

int Run(const std::string& command, const std::string& name, const std::string& interface) {
    // A hang-up must not be lost to a store that is busy for a moment. Reading creates no store,
    // and neither does a report that the source refuses.
    const bool reads = command == "status" || command == "entries";
    const StorePaths paths = StorePaths::FromEnvironment();
    std::optional<DialUpChoice> source;
    if (command == "dial" || command == "hangup" || command == "status") {
        SettingsStore reader(ReadOnlyPaths(paths), ToolStoreOptions(kName));
        source = ChooseDialUpSource(reader);
        if (const std::string refusal = RefusedBySource(command, *source); !refusal.empty()) {
            std::cerr << kName << ": " << refusal << "\n";
            return kExitBadArguments;
        }
    }
    SettingsStore store(reads ? ReadOnlyPaths(paths) : paths, ToolStoreOptions(kName));
    if (command == "dial") {
        Dial(store, name, interface);
    } else if (command == "hangup") {
        SetRemoteConnection(store, false);
    } else if (command == "status") {
        if (ReadRemoteConnection(store))
            std::cout << "connected " << ReadDefaultEntry(store) << "\n";
        else
            std::cout << "not connected\n";
        std::cout << "source: " << source->Text() << "\n";
    } else if (command == "entries") {
        for (const auto& entry : ListEntries(store))
            std::cout << entry << "\n";
    } else if (command == "add-entry") {
        AddEntry(store, name);
    } else if (command == "remove-entry") {
        if (!RemoveEntry(store, name))
            return Fail("\"" + name + "\" is not a dial-up entry");
    }
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    IgnoreBrokenPipes();
    std::vector<std::string> args;
    std::string why;
    const auto ask = ParseCommandWords({argv + 1, argv + argc}, args, why);
    if (!ask)
        return Usage(why);
    if (*ask == CommandLineAsk::Help) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (*ask == CommandLineAsk::Version) {
        std::cout << VersionText(kName);
        return kExitOk;
    }
    if (args.empty())
        return Usage("no command: dial, hangup, status, entries, add-entry or remove-entry");

    const std::string& command = args[0];
    // "--interface IFACE" or "--interface=IFACE" after dial's NAME.
    std::string interface;
    if (command == "dial" && args.size() > 2) {
        constexpr std::string_view kOption = "--interface";
        if (args[2] == kOption && args.size() == 4) {
            interface = args[3];
        } else if (args[2].starts_with(std::string(kOption) + "=") && args.size() == 3) {
            interface = args[2].substr(kOption.size() + 1);
        } else if (args[2] == kOption && args.size() == 3) {
            return Usage("--interface needs the name of a network interface");
        } else {
            return Usage("dial takes an entry NAME and --interface IFACE only");
        }
        if (const std::string problem = InterfaceNameProblem(interface); !problem.empty())
            return Usage(problem);
        args.resize(2);
    }
    const bool takesName = command == "dial" || command == "add-entry" || command == "remove-entry";
    const bool takesNothing = command == "hangup" || command == "status" || command == "entries";
    if (!takesName && !takesNothing)
        return Usage("unknown command \"" + command + "\"");
    if (args.size() != (takesName ? 2u : 1u))
        return Usage(takesName ? command + " needs one entry NAME"
                               : command + " takes no arguments");
    const std::string name = takesName ? args[1] : std::string();
    if (takesName) {
        if (const std::string problem = EntryNameProblem(name); !problem.empty())
            return Usage(problem);
    }

    // Store errors name the file or the value concerned, a store file that is not a database
    // included; nothing is written when one is thrown.
    try {
        return Run(command, name, interface);
    } catch (const StoreBusyError& e) {
        std::cerr << kName << ": " << e.what() << Unrecorded(command) << "\n";
        return kExitStoreBusy;
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
