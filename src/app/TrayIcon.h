#pragma once

#include <QSystemTrayIcon>

namespace netrova {

// The tray icon of tray mode. Whether the desktop has a notification area is asked through
// it, so that tests can stand in for a desktop with one.
class TrayIcon : public QSystemTrayIcon {
    Q_OBJECT
public:
    using QSystemTrayIcon::QSystemTrayIcon;
    virtual bool Available() const { return QSystemTrayIcon::isSystemTrayAvailable(); }
};

// Shows or hides a top-level window's task-bar entry (the window stays as it is). Only X11
// desktops know of it; elsewhere it does nothing.
void ShowInTaskbar(QWidget* window, bool shown);

} // namespace netrova
