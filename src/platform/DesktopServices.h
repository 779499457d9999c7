#pragma once

namespace netrova {

class Autostart;
class DialUpService;
class FileChooser;
class Notifications;
class ProgramLauncher;
class Sounds;
class TextViewer;

// The desktop services the main window's commands reach. The process entry makes the real
// ones and keeps them for the life of the window; tests hand in doubles.
struct DesktopServices {
    DialUpService& dialUp;
    ProgramLauncher& launcher;
    Sounds& sounds;
    FileChooser& chooser;
    Autostart& autostart;
    TextViewer& textViewer;
    Notifications& notifications;
};

} // namespace netrova
