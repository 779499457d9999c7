#include "options/PreferencesDialog.h"

#include "options/ExecList.h"
#include "options/Preferences.h"
#include "platform/FileChooser.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace netrova {

namespace {

// Nine digits always fit the stored 32-bit integer.
constexpr int kDelayDigits = 9;

QCheckBox* NewCheckBox(const char* name, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

// One tab holding the widgets from its top.
QWidget* NewPage(const char* name, std::initializer_list<QWidget*> widgets) {
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(page);
    for (QWidget* w : widgets) {
        w->setParent(page);
        layout->addWidget(w);
    }
    layout->addStretch(1);
    return page;
}

} // namespace

TForm2::TForm2(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, FileChooser& chooser,
               Autostart& autostart, TrayControl& tray, std::string program, QWidget* parent)
    : QDialog(parent), store_(store), boxes_(boxes), help_(help), chooser_(chooser),
      autostart_(autostart), tray_(tray), program_(std::move(program)) {
    if (program_.empty())
        program_ = QCoreApplication::applicationFilePath().toStdString();
    BuildControls();
    FitOnScreen(*this);
}

TForm2::~TForm2() = default;

void TForm2::BuildControls() {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Preferences"));

    AutostartBox = NewCheckBox("CheckBox1", "Load Netrova every time Windows starts", this);
    AutostartBox->setChecked(true);
    LogoBox = NewCheckBox("CheckBox2", "Show logo picture on start", this);
    LogoBox->setChecked(true);
    MinimizeBox = NewCheckBox("CheckBox3", "Minimize when execute", this);
    TrayBox = NewCheckBox("CheckBox4", "Minimize in System Tray", this);
    AntiCrashBox = NewCheckBox("CheckBox5", "Enable anti-crash function (recommended)", this);
    AntiCrashBox->setChecked(true);

    Programs = new QPlainTextEdit(this);
    Programs->setObjectName(QStringLiteral("Memo1"));
    // Paths stay on one line each, with both scroll bars.
    Programs->setLineWrapMode(QPlainTextEdit::NoWrap);
    Programs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Programs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Programs->setMinimumSize(360, 140);
    AddButton = new QPushButton(QStringLiteral("Add"), this);
    AddButton->setObjectName(QStringLiteral("Button1"));
    AddButton->setAutoDefault(false);
    ProgramCount = new QLabel(QString::fromStdString(ProgramCountText(0)), this);
    ProgramCount->setObjectName(QStringLiteral("Label1"));
    auto* execRow = new QWidget(this);
    auto* execLayout = new QHBoxLayout(execRow);
    execLayout->setContentsMargins(0, 0, 0, 0);
    execLayout->addWidget(ProgramCount, 1);
    execLayout->addWidget(AddButton);

    ConnectDelay = new QLineEdit(QStringLiteral("0"), this);
    ConnectDelay->setObjectName(QStringLiteral("Edit1"));
    ConnectDelay->setMaxLength(kDelayDigits);
    ConnectDelay->setFixedWidth(
        ConnectDelay->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 16);
    auto* delayLabel = new QLabel(QStringLiteral("Seconds :"), this);
    delayLabel->setObjectName(QStringLiteral("Label2"));
    delayLabel->setBuddy(ConnectDelay);
    auto* delayRow = new QWidget(this);
    auto* delayLayout = new QHBoxLayout(delayRow);
    delayLayout->setContentsMargins(0, 0, 0, 0);
    delayLayout->addWidget(delayLabel);
    delayLayout->addWidget(ConnectDelay);
    delayLayout->addStretch(1);

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("PageControl1"));
    Pages->addTab(NewPage("TabSheet1", {AutostartBox, LogoBox}), QStringLiteral("Startup"));
    Pages->addTab(NewPage("TabSheet2", {MinimizeBox, TrayBox}), QStringLiteral("Taskbar"));
    Pages->addTab(NewPage("TabSheet3", {Programs, execRow}), QStringLiteral("Exec"));
    Pages->addTab(NewPage("TabSheet4", {delayRow}), QStringLiteral("Connection"));
    Pages->addTab(NewPage("TabSheet5", {AntiCrashBox}), QStringLiteral("Anti-Crash"));
    Pages->setCurrentIndex(AntiCrashPage);

    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { HelpClick(); });

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addWidget(Pages);
    main->addLayout(buttons.row);

    connect(AddButton, &QPushButton::clicked, this, &TForm2::AddClick);
    connect(ConnectDelay, &QLineEdit::textChanged, this, &TForm2::ConnectDelayChange);
    connect(Programs, &QPlainTextEdit::textChanged, this, &TForm2::ProgramsChange);
}

int TForm2::Execute(int page) {
    if (page >= 0)
        Pages->setCurrentIndex(page);
    const int result = ExecDialog(*this, errors_);
    return result;
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QueueActivation(*this, errors_, [this] { FormActivate(); });
}

void TForm2::FormActivate() {
    const Preferences p = LoadPreferences(store_);
    AutostartBox->setChecked(p.Start);
    AntiCrashBox->setChecked(p.AntiCrash);
    LogoBox->setChecked(p.Logo);
    MinimizeBox->setChecked(p.Minimize);
    TrayBox->setChecked(p.SystemTray);
    {
        // The stored number is shown as it is, without the typing check.
        const QSignalBlocker blocker(ConnectDelay);
        ConnectDelay->setText(QString::fromStdString(p.ConnectDelay));
    }
    ReloadPrograms();
}

void TForm2::ReloadPrograms() {
    Programs->setPlainText(QString::fromStdString(JoinLines(ReadExecList(store_))));
}

void TForm2::ProgramsChange() {
    const auto lines = TextLines(Programs->toPlainText().toStdString());
    ProgramCount->setText(QString::fromStdString(ProgramCountText(lines.size())));
}

void TForm2::ConnectDelayChange() {
    const int bad = ConnectDelayProblems(ConnectDelay->text().toStdString());
    for (int i = 0; i < bad; ++i)
        boxes_.Show(kIncorrectNumber, MsgIcon::Warning);
    // "0" passes the check, so setting it goes no deeper.
    if (bad > 0)
        ConnectDelay->setText(QStringLiteral("0"));
}

void TForm2::AddClick() {
    const std::string path = chooser_.ChooseProgram("Open");
    if (path.empty())
        return;
    auto lines = TextLines(Programs->toPlainText().toStdString());
    lines.push_back(path);
    Programs->setPlainText(QString::fromStdString(JoinLines(lines)));
}

void TForm2::BitBtn1Click() {
    Preferences p;
    p.Start = AutostartBox->isChecked();
    p.Logo = LogoBox->isChecked();
    p.Minimize = MinimizeBox->isChecked();
    p.SystemTray = TrayBox->isChecked();
    p.ConnectDelay = ConnectDelay->text().toStdString();
    p.AntiCrash = AntiCrashBox->isChecked();
    const std::string delay = StorePreferences(store_, autostart_, p, program_);
    {
        const QSignalBlocker blocker(ConnectDelay);
        ConnectDelay->setText(QString::fromStdString(delay));
    }
    ApplyTrayChoice(p.SystemTray, tray_, boxes_);
    WriteExecList(store_, TextLines(Programs->toPlainText().toStdString()));
    accept();
}

void TForm2::HelpClick() {
    help_.ShowContext(HelpContext::Preferences);
}

void TForm2::done(int result) {
    QDialog::done(result);
    // Closed in any way, the list shows the store again: unconfirmed edits are gone. After a
    // store error the list is left alone; the error is on its way to the opener.
    if (!errors_.Pending())
        errors_.Run(*this, [this] { ReloadPrograms(); });
}

} // namespace netrova
