#pragma once

#include <QKeyCombination>

#include <span>

namespace netrova {

class TForm1;

// The main window's commands as tables: its menus, tool bar and tray menu are built from them.

// One command: its action's name (after its menu item), caption, short-cut, hint and picture.
struct CommandInfo {
    const char* name;
    const char* caption;
    QKeyCombination shortcut;
    const char* hint;
    const char* picture;
};

inline const QKeyCombination kNoKey = QKeyCombination(Qt::Key_unknown);

// A menu of the menu bar: its name, title and command names; nullptr is a separator.
struct MenuInfo {
    const char* name;
    const char* title;
    std::span<const char* const> items;
};

// The tray menu after "Restore": its own name and caption, the command it triggers.
struct TrayEntry {
    const char* name;
    const char* caption;
    const char* command;
};

// A command that does something, and its handler. A command without one stays disabled.
struct CommandHandler {
    const char* command;
    void (TForm1::*handler)();
};

std::span<const CommandInfo> Commands();
std::span<const MenuInfo> Menus();
// The tool bar's command names; nullptr is a separator.
std::span<const char* const> ToolBarCommands();
// Entries with a null name are separators.
std::span<const TrayEntry> TrayMenuEntries();
std::span<const CommandHandler> CommandHandlers();

} // namespace netrova
