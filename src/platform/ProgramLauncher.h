#pragma once

#include <set>
#include <string>
#include <vector>

namespace netrova {

// Starts programs without waiting for them. The path is the whole program: no arguments, no
// shell, and the started program is never watched.
class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // False when nothing could be started.
    virtual bool Start(const std::string& path) = 0;
};

class QtProgramLauncher : public ProgramLauncher {
public:
    bool Start(const std::string& path) override;
};

// Test double: records every path asked for; the paths in `failing` fail.
class RecordingLauncher : public ProgramLauncher {
public:
    bool Start(const std::string& path) override {
        started.push_back(path);
        return failing.count(path) == 0;
    }
    std::vector<std::string> started;
    std::set<std::string> failing;
};

} // namespace netrova
