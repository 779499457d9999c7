#pragma once

#include <string>
#include <vector>

namespace netrova {

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // The help file's path in the program directory (the pages themselves are built in).
    virtual void SetHelpFile(const std::string& path) = 0;
    virtual void ShowContents() = 0;
    virtual void ShowContext(int context) = 0;
};

// Test double: records what was asked for.
class RecordingHelpViewer : public HelpViewer {
public:
    void SetHelpFile(const std::string& path) override { helpFile = path; }
    void ShowContents() override { requests.push_back(0); }
    void ShowContext(int context) override { requests.push_back(context); }

    std::string helpFile;
    std::vector<int> requests; // 0 = contents
};

} // namespace netrova
