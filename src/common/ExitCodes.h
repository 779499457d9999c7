#pragma once

namespace netrova {

// The exit codes of every Netrova program, the tools' usage texts and manual pages included.
enum ExitCode : int {
    kExitOk = 0,
    kExitError = 1,        // it could not be done: unreadable, missing, refused
    kExitBadArguments = 2, // a usage error; the tools' refused reports too
    kExitStoreBusy = 3,    // the settings store stayed busy and nothing was changed
};

} // namespace netrova
