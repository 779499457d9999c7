#pragma once

#include <string>

namespace netrova {

// Starting the program with the user's desktop session.
class Autostart {
public:
    virtual ~Autostart() = default;
    // Makes the desktop start `program` (an absolute path) at every log-in.
    virtual void Enable(const std::string& program) = 0;
    virtual void Disable() = 0;
};

// The per-user XDG autostart entry "org.netrova.Netrova.desktop". Tests give it a temporary
// folder.
class XdgAutostart : public Autostart {
public:
    explicit XdgAutostart(std::string folder = DefaultFolder()) : folder_(std::move(folder)) {}

    void Enable(const std::string& program) override;
    void Disable() override;

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart.
    static std::string DefaultFolder();
    std::string EntryPath() const;
    // The Exec value for a program path, quoted as desktop entries want it.
    static std::string ExecValue(const std::string& program);
    // Whether an entry can start the program: its path is UTF-8 and holds no control
    // character but tab and line breaks. Enable throws std::runtime_error for any other.
    static bool CanName(const std::string& program);

private:
    void RemoveOldEntry() const;

    std::string folder_;
};

} // namespace netrova
