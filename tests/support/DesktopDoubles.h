#pragma once

// Stand-ins for the desktop: each records what the program asked of it.
#include "dialup/DialUpService.h"
#include "platform/Autostart.h"
#include "platform/DesktopServices.h"
#include "platform/FileChooser.h"
#include "platform/HelpViewer.h"
#include "platform/Notifications.h"
#include "platform/ProgramLauncher.h"
#include "platform/Sounds.h"
#include "platform/TextViewer.h"

#include <set>
#include <string>
#include <vector>

namespace netrova {

// Test double: records each notification as "summary|body|normal or critical|hangup"; with
// `available` false it goes to the fallback, as the desktop's does without a service.
class RecordingNotifications : public Notifications {
public:
    bool Available() const override { return available; }
    void Notify(const std::string& summary, const std::string& body, Urgency urgency,
                bool offerHangUp) override {
        if (!available)
            return FallBack(summary, body, urgency, offerHangUp);
        shown.push_back(summary + "|" + body + "|" +
                        (urgency == Urgency::Critical ? "critical" : "normal") +
                        (offerHangUp ? "|hangup" : ""));
    }
    // As if the user pressed "Hang up now".
    void PressHangUp() { HangUpAsked(); }

    bool available = true;
    std::vector<std::string> shown;
};

// Test double: records the kinds played.
class RecordingSounds : public Sounds {
public:
    void Play(SoundKind kind) override { played.push_back(kind); }
    std::vector<SoundKind> played;
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

// Test double: records what was asked for.
class RecordingHelpViewer : public HelpViewer {
public:
    void SetHelpFile(const std::string& path) override { helpFile = path; }
    void ShowContents() override { requests.push_back(0); }
    void ShowContext(HelpContext context) override {
        requests.push_back(static_cast<int>(context));
    }

    std::string helpFile;
    std::vector<int> requests; // 0 = contents
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

// One of each, for a main window; the autostart entry goes to `folder`, the connection is
// the one the test writes into the store.
struct DesktopDoubles {
    explicit DesktopDoubles(const std::string& autostartFolder) : autostart(autostartFolder) {}
    DesktopServices Services() {
        return {dialUp, launcher, sounds, chooser, autostart, textViewer, notifications};
    }

    ManualDialUpService dialUp;
    RecordingLauncher launcher;
    RecordingSounds sounds;
    ScriptedFileChooser chooser;
    XdgAutostart autostart;
    RecordingTextViewer textViewer;
    RecordingNotifications notifications;
};

} // namespace netrova
