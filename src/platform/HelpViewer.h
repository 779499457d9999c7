#pragma once

#include <string>

namespace netrova {

// The pages of the built-in help the windows ask for, by the help file's context numbers.
enum class HelpContext {
    About = 5,
    Preferences = 9,
    Beep = 10,
    Counter = 11,
    Tariffs = 12,
    Connections = 13,
    Providers = 15,
    Statistics = 17,
    Limits = 18,
};

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // The help file's path in the program directory (the pages themselves are built in).
    virtual void SetHelpFile(const std::string& path) = 0;
    virtual void ShowContents() = 0;
    virtual void ShowContext(HelpContext context) = 0;
};

} // namespace netrova
