#pragma once

#include <string>

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

} // namespace netrova
