#include "app/MainCommands.h"

#include "app/MainWindow.h"

namespace netrova {

namespace {

const CommandInfo kCommands[] = {
    {"ResetCounter", "&Reset counter", Qt::CTRL | Qt::Key_R, "Reset the counter", "resetcounter"},
    {"CreateReport", "&Create report", kNoKey, "Create report", "createreport"},
    {"DeleteReports", "&Delete reports", kNoKey, "Delete all reports", "deletereports"},
    {"OpenReport", "&Open report ...", Qt::CTRL | Qt::Key_O, "Open report", "openreport"},
    // "&Delete reports" has the d of the button's "Hi&de" in this menu.
    {"Hide", "&Hide", Qt::CTRL | Qt::Key_D, "Hide program", "hide"},
    {"Exit2", "E&xit", Qt::ALT | Qt::Key_F4, "Exit program", "exit"},
    {"Connections", "Co&nnections ...", Qt::ALT | Qt::Key_N, "History of connections",
     "connections"},
    {"ViewStatistic", "View &statistic ...", Qt::ALT | Qt::Key_S, "View statistic", "statistic"},
    {"Beep", "&Beep ...", Qt::ALT | Qt::Key_B, "Beep", "beep"},
    {"Counter", "&Counter ...", Qt::ALT | Qt::Key_O, "Counter", "counter"},
    {"Limits", "&Limits ...", kNoKey, "Money and data limits", "limits"},
    {"Providers", "&Providers ...", Qt::ALT | Qt::Key_P, "Providers", "providers"},
    {"Tariffs", "&Tariffs ...", Qt::ALT | Qt::Key_T, "Tariffs", "tariffs"},
    {"Preferences", "Pr&eferences ...", kNoKey, "Preferences", "preferences"},
    {"Help", "&Help", Qt::Key_F1, "Netrova help", "help"},
    {"About", "&About ...", kNoKey, "About the program ", "about"},
    // Tool bar only: the Preferences dialog opened on its page "Startup" or "Exec".
    {"ProgramPreferences", "Program preferences", kNoKey, "Program preferences", "preferences"},
    {"Execution", "Execution", kNoKey, "Execution", "execution"},
};

const char* const kFileMenu[] = {"ResetCounter", "CreateReport", "DeleteReports", "OpenReport",
                                 nullptr,        "Hide",         "Exit2"};
const char* const kViewMenu[] = {"Connections", "ViewStatistic"};
const char* const kOptionsMenu[] = {"Beep",      nullptr,   "Counter", "Limits",     nullptr,
                                    "Providers", "Tariffs", nullptr,   "Preferences"};
const char* const kHelpMenu[] = {"Help", nullptr, "About"};
const char* const kToolBar[] = {
    "CreateReport", "OpenReport", "Connections", "ViewStatistic", nullptr,   "ProgramPreferences",
    "Beep",         "Execution",  nullptr,       "Providers",     "Tariffs", "Counter",
    nullptr,        "About",      "Help"};

const TrayEntry kTrayMenu[] = {
    {nullptr, nullptr, nullptr},
    {"TrayConnections", "Connections ...", "Connections"},
    {nullptr, nullptr, nullptr},
    {"TrayBeep", "Beep ...", "Beep"},
    {nullptr, nullptr, nullptr},
    {"TrayCounter", "Counter ...", "Counter"},
    {nullptr, nullptr, nullptr},
    {"TrayProviders", "Providers ...", "Providers"},
    {"TrayTariffs", "Tariffs ...", "Tariffs"},
    {nullptr, nullptr, nullptr},
    {"TrayPreferences", "Preferences ...", "Preferences"},
    {nullptr, nullptr, nullptr},
    {"TrayExit", "Exit", "Exit2"},
};

const CommandHandler kHandlers[] = {
    {"ResetCounter", &TForm1::ResetCounterClick},
    {"CreateReport", &TForm1::CreateReportClick},
    {"DeleteReports", &TForm1::DeleteReportsClick},
    {"OpenReport", &TForm1::OpenReportClick},
    {"Hide", &TForm1::BitBtn1Click},
    {"Exit2", &TForm1::Exit2Click},
    {"Connections", &TForm1::ConnectionsClick},
    {"ViewStatistic", &TForm1::ViewStatisticClick},
    {"Beep", &TForm1::BeepClick},
    {"Counter", &TForm1::CounterClick},
    {"Limits", &TForm1::LimitsClick},
    {"Providers", &TForm1::ProvidersClick},
    {"Tariffs", &TForm1::TariffsClick},
    {"Preferences", &TForm1::PreferencesClick},
    {"Help", &TForm1::HelpClick},
    {"About", &TForm1::AboutClick},
    {"ProgramPreferences", &TForm1::ProgramPreferencesClick},
    {"Execution", &TForm1::ExecutionClick},
};

const MenuInfo kMenus[] = {{"FileMenu", "&File", kFileMenu},
                           {"ViewMenu", "&View", kViewMenu},
                           {"OptionsMenu", "&Options", kOptionsMenu},
                           {"HelpMenu", "&Help", kHelpMenu}};

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
