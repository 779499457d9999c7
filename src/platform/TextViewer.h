#pragma once

#include <string>
#include <utility>

namespace netrova {

// Opens a text file (a report) in the desktop's viewer without waiting for it.
class TextViewer {
public:
    virtual ~TextViewer() = default;
    // False when the viewer could not be started; the callers show nothing then.
    virtual bool Open(const std::string& path) = 0;
};

// The desktop's viewer: the program ("xdg-open") started detached with the file as its only
// argument.
class DesktopTextViewer : public TextViewer {
public:
    explicit DesktopTextViewer(std::string program = "xdg-open") : program_(std::move(program)) {}
    bool Open(const std::string& path) override;

private:
    std::string program_;
};

} // namespace netrova
