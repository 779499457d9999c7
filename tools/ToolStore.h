#pragma once

// The settings store as the command-line tools open it.

#include "store/Registry.h"

namespace netrova {

// Waits for another program's write lock as long as a user at the command line would (or as
// NETROVA_LOCK_TIMEOUT says), and says once on stderr that it waits.
StoreOptions ToolStoreOptions(const char* program);

// For commands that only read: a store file that does not exist yet is read as an empty store
// held in memory, so that reading creates neither the file nor its folder.
StorePaths ReadOnlyPaths(StorePaths paths);

} // namespace netrova
