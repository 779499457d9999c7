#pragma once

#include <string>

namespace netrova {

// Asks the user for one existing file.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen file's full path, or "" when the user cancelled.
    virtual std::string ChooseProgram(const std::string& title) = 0;
};

} // namespace netrova
