#include "app/MainCommands.h"

#include "app/MainWindow.h"

namespace netrova {

namespace {

const CommandInfo kCommands[] = {
    {"Resetcounter1", "&Reset counter", Qt::CTRL | Qt::Key_R, "Reset the counter", "resetcounter"},
    {"Createreport1", "&Create report", kNoKey, "Create report", "createreport"},
    {"Deletereports1", "&Delete reports", kNoKey, "Delete all reports", "deletereports"},
    {"Openreport1", "&Open report ...", Qt::CTRL | Qt::Key_O, "Open report", "openreport"},
    // "&Delete reports" has the d of the button's "Hi&de" in this menu.
    {"Hide1", "&Hide", Qt::CTRL | Qt::Key_D, "Hide program", "hide"},
    {"Exit2", "E&xit", Qt::ALT | Qt::Key_F4, "Exit program", "exit"},
    {"Connections1", "Co&nnections ...", Qt::ALT | Qt::Key_N, "History of connections",
     "connections"},
    {"Viewstatistic1", "View &statistic ...", Qt::ALT | Qt::Key_S, "View statistic", "statistic"},
    {"Beep1", "&Beep ...", Qt::ALT | Qt::Key_B, "Beep", "beep"},
    {"Counter1", "&Counter ...", Qt::ALT | Qt::Key_O, "Counter", "counter"},
    {"Limits1", "&Limits ...", kNoKey, "Money and data limits", "limits"},
    {"Providers1", "&Providers ...", Qt::ALT | Qt::Key_P, "Providers", "providers"},
    {"Tariffs1", "&Tariffs ...", Qt::ALT | Qt::Key_T, "Tariffs", "tariffs"},
    {"Preferences1", "Pr&eferences ...", kNoKey, "Preferences", "preferences"},
    {"Help2", "&Help", Qt::Key_F1, "Netrova help", "help"},
    {"About1", "&About ...", kNoKey, "About the program ", "about"},
    // Tool bar only: the Preferences dialog opened on its page "Startup" or "Exec".
    {"Programpreferences1", "Program preferences", kNoKey, "Program preferences", "preferences"},
    {"Execution1", "Execution", kNoKey, "Execution", "execution"},
};

const char* const kFileMenu[] = {"Resetcounter1", "Createreport1", "Deletereports1", "Openreport1",
                                 nullptr,         "Hide1",         "Exit2"};
const char* const kViewMenu[] = {"Connections1", "Viewstatistic1"};
const char* const kOptionsMenu[] = {"Beep1",      nullptr,    "Counter1", "Limits1",     nullptr,
                                    "Providers1", "Tariffs1", nullptr,    "Preferences1"};
const char* const kHelpMenu[] = {"Help2", nullptr, "About1"};
const char* const kToolBar[] = {"Createreport1",  "Openreport1", "Connections1",
                                "Viewstatistic1", nullptr,       "Programpreferences1",
                                "Beep1",          "Execution1",  nullptr,
                                "Providers1",     "Tariffs1",    "Counter1",
                                nullptr,          "About1",      "Help2"};

const TrayEntry kTrayMenu[] = {
    {nullptr, nullptr, nullptr},
    {"Connections2", "Connections ...", "Connections1"},
    {nullptr, nullptr, nullptr},
    {"Beep2", "Beep ...", "Beep1"},
    {nullptr, nullptr, nullptr},
    {"Counter2", "Counter ...", "Counter1"},
    {nullptr, nullptr, nullptr},
    {"Providers2", "Providers ...", "Providers1"},
    {"Tariffs2", "Tariffs ...", "Tariffs1"},
    {nullptr, nullptr, nullptr},
    {"Preferences2", "Preferences ...", "Preferences1"},
    {nullptr, nullptr, nullptr},
    {"Exit1", "Exit", "Exit2"},
};

const CommandHandler kHandlers[] = {
    {"Resetcounter1", &TForm1::Resetcounter1Click},
    {"Createreport1", &TForm1::Createreport1Click},
    {"Deletereports1", &TForm1::Deletereports1Click},
    {"Openreport1", &TForm1::Openreport1Click},
    {"Hide1", &TForm1::BitBtn1Click},
    {"Exit2", &TForm1::Exit2Click},
    {"Connections1", &TForm1::Connections1Click},
    {"Viewstatistic1", &TForm1::Viewstatistic1Click},
    {"Beep1", &TForm1::Beep1Click},
    {"Counter1", &TForm1::Counter1Click},
    {"Limits1", &TForm1::Limits1Click},
    {"Providers1", &TForm1::Providers1Click},
    {"Tariffs1", &TForm1::Tariffs1Click},
    {"Preferences1", &TForm1::Preferences1Click},
    {"Help2", &TForm1::Help2Click},
    {"About1", &TForm1::About1Click},
    {"Programpreferences1", &TForm1::Programpreferences1Click},
    {"Execution1", &TForm1::Execution1Click},
};

const MenuInfo kMenus[] = {{"File1", "&File", kFileMenu},
                           {"View1", "&View", kViewMenu},
                           {"Options1", "&Options", kOptionsMenu},
                           {"Help1", "&Help", kHelpMenu}};

} // namespace

std::span<const CommandInfo> Commands() {
    return kCommands;
}

std::span<const MenuInfo> Menus() {
    return kMenus;
}

std::span<const char* const> ToolBarCommands() {
    return kToolBar;
}

std::span<const TrayEntry> TrayMenuEntries() {
    return kTrayMenu;
}

std::span<const CommandHandler> CommandHandlers() {
    return kHandlers;
}

} // namespace netrova
