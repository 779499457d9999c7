// netrova-dialup: reports a dial-up connection to Netrova through the settings store, for the
// manual dial-up source (trying the program without a modem, connection manager scripts).

#include "platform/DialUpService.h"
#include "store/Registry.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

using namespace netrova;

namespace {

constexpr const char* kUsage =
    "usage: netrova-dialup dial NAME          report a connection through entry NAME\n"
    "       netrova-dialup hangup             report that the connection has ended\n"
    "       netrova-dialup status             print \"connected NAME\" or \"not connected\"\n"
    "       netrova-dialup entries            list the dial-up entries, one per line\n"
    "       netrova-dialup add-entry NAME     add a dial-up entry\n"
    "       netrova-dialup remove-entry NAME  remove a dial-up entry\n"
    "The store is the one Netrova uses: NETROVA_USER_STORE and NETROVA_MACHINE_STORE name its\n"
    "files, else the XDG locations below HOME.\n";

int Usage(const std::string& problem = {}) {
    if (!problem.empty())
        std::cerr << "netrova-dialup: " << problem << "\n";
    std::cerr << kUsage;
    return 2;
}

int Fail(const std::string& message) {
    std::cerr << "netrova-dialup: " << message << "\n";
    return 1;
}

// The entry is made and chosen before "Remote Connection" turns 1: the monitor takes the
// provider in the very tick that sees the connection.
void Dial(SettingsStore& store, const std::string& name) {
    std::string entry = name;
    if (const auto stored = FindEntry(store, name))
        entry = *stored;
    else
        AddEntry(store, name);
    SetDefaultEntry(store, entry);
    SetRemoteConnection(store, true);
}

int Run(const std::string& command, const std::string& name) {
    // A hang-up must not be lost to a store that is busy for a moment.
    StoreOptions options;
    options.busyTimeoutMs = StoreOptions::kToolBusyTimeoutMs;
    options.onLongWait = [] {
        std::cerr << "netrova-dialup: another program is writing to the settings store; "
                     "waiting for it\n";
    };
    SettingsStore store(StorePaths::FromEnvironment(), options);
    if (command == "dial") {
        Dial(store, name);
    } else if (command == "hangup") {
        SetRemoteConnection(store, false);
    } else if (command == "status") {
        if (ReadRemoteConnection(store))
            std::cout << "connected " << ReadDefaultEntry(store) << "\n";
        else
            std::cout << "not connected\n";
    } else if (command == "entries") {
        for (const auto& entry : ListEntries(store))
            std::cout << entry << "\n";
    } else if (command == "add-entry") {
        AddEntry(store, name);
    } else if (command == "remove-entry") {
        if (!RemoveEntry(store, name))
            return Fail("\"" + name + "\" is not a dial-up entry");
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (args.empty())
        return Usage();

    const std::string& command = args[0];
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
        return Run(command, name);
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}
