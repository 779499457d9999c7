#pragma once

#include <string>
#include <utility>
#include <vector>

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

// Test double: records the files asked for; fails on demand.
class RecordingTextViewer : public TextViewer {
public:
    bool Open(const std::string& path) override {
        opened.push_back(path);
        return !fail;
    }

    std::vector<std::string> opened;
    bool fail = false;
};

} // namespace netrova
