#include "monitor/FailureTexts.h"

#include "history/HistoryFile.h"

#include <filesystem>
#include <sys/stat.h>

namespace netrova {

std::string UnsavedHistoryText(const std::string& programPath, const std::string& why) {
    return "The history file \"" + HistoryPath(programPath) + "\" cannot be written (" + why +
           "). The connection is kept and added to the history as soon as the file can be "
           "written.";
}

std::string MountPointOf(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path, ec), ec);
    struct stat st {};
    while (::stat(p.c_str(), &st) != 0 && p.has_relative_path())
        p = p.parent_path();
    // Up the folders while they are on the same file system.
    for (struct stat up{}; p.has_relative_path(); p = p.parent_path())
        if (::stat(p.parent_path().c_str(), &up) != 0 || up.st_dev != st.st_dev)
            break;
    return p.string();
}

std::string FullFileSystemText(const std::string& folder) {
    return "The file system at \"" + MountPointOf(folder) +
           "\" is full, so Netrova cannot write to \"" + folder +
           "\". It keeps what it counts, finished connections included, and writes it as "
           "soon as there is space again.";
}

} // namespace netrova
