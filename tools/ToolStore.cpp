#include "tools/ToolStore.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <string>

namespace netrova {

namespace {

// NETROVA_LOCK_TIMEOUT: whole seconds to wait for a busy store, for scripts that cannot wait a
// minute (and the tests). Unset, empty or no such number: the minute.
int BusyTimeoutMs(const std::string& program) {
    const char* text = std::getenv("NETROVA_LOCK_TIMEOUT");
    if (text == nullptr || *text == '\0')
        return StoreOptions::kToolBusyTimeoutMs;
    const char* end = text + std::strlen(text);
    int seconds = 0;
    const auto [last, error] = std::from_chars(text, end, seconds);
    if (error != std::errc() || last != end || seconds < 0 ||
        seconds > std::numeric_limits<int>::max() / 1000) {
        std::cerr << program << ": NETROVA_LOCK_TIMEOUT is no number of seconds; waiting "
                  << StoreOptions::kToolBusyTimeoutMs / 1000 << " s for a busy store\n";
        return StoreOptions::kToolBusyTimeoutMs;
    }
    return seconds * 1000;
}

} // namespace

StoreOptions ToolStoreOptions(const char* program) {
    StoreOptions options;
    static const int busyTimeoutMs = BusyTimeoutMs(program); // a bad value is told once
    options.busyTimeoutMs = busyTimeoutMs;
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
