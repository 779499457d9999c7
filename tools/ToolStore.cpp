#include "tools/ToolStore.h"

#include <filesystem>
#include <iostream>
#include <string>

namespace netrova {

StoreOptions ToolStoreOptions(const char* program) {
    StoreOptions options;
    options.busyTimeoutMs = StoreOptions::kToolBusyTimeoutMs;
    options.onLongWait = [name = std::string(program)] {
        std::cerr << name << ": another program is writing to the settings store; waiting for it\n";
    };
    return options;
}

StorePaths ReadOnlyPaths(StorePaths paths) {
    for (std::string* file : {&paths.User, &paths.Machine}) {
        std::error_code ec;
        if (!std::filesystem::exists(*file, ec) && !ec)
            *file = ":memory:"; // SQLite's name for a database that lives in memory only
    }
    return paths;
}

} // namespace netrova
