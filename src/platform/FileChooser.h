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

// Test double: answers with the scripted name and remembers the title it was asked with.
class ScriptedFileChooser : public FileChooser {
public:
    std::string ChooseProgram(const std::string& title) override {
        titles += title + "\n";
        return answer;
    }
    std::string answer;
    std::string titles;
};

} // namespace netrova
