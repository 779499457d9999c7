#include "options/PreferencesDialog.h"

#include "options/ExecList.h"
#include "options/Preferences.h"
#include "platform/FileChooser.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdlib>

namespace netrova {

namespace {

// Nine digits always fit the stored 32-bit integer.
constexpr int kDelayDigits = 9;

// The choices of the connection source, in the order of DialUpSource.
struct SourceChoice {
    DialUpSource source;
    const char* name;
    const char* text;
};
constexpr SourceChoice kSourceChoices[] = {
    {DialUpSource::Automatic, "SourceAutomatic",
     "Automatic: NetworkManager, else pppd, else manual"},
    {DialUpSource::NetworkManager, "SourceNetworkManager", "NetworkManager"},
    {DialUpSource::Pppd, "SourcePppd", "pppd (the peers of /etc/ppp/peers)"},
    {DialUpSource::Manual, "SourceManual", "Manual: netrova-dialup reports the connection"},
};

// A line edit as wide as `text` in its own font and style, and no wider.
int LineEditWidthFor(const QLineEdit& edit, const QString& text) {
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit);
    const QMargins margins = edit.textMargins();
    const QFontMetrics metrics = edit.fontMetrics();
    // The line edit keeps a margin of two pixels on either side of its text, and a cursor.
    const QSize contents(metrics.horizontalAdvance(text) + metrics.averageCharWidth() + 4 +
                             margins.left() + margins.right(),
                         metrics.height());
    return edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, &edit).width();
}

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
    setObjectName(QStringLiteral("PreferencesDialog"));
    setWindowTitle(QStringLiteral("Preferences"));

    AutostartBox = NewCheckBox("AutostartBox", "Load Netrova every time Windows starts", this);
    AutostartBox->setChecked(true);
    LogoBox = NewCheckBox("LogoBox", "Show logo picture on start", this);
    LogoBox->setChecked(true);
    MinimizeBox = NewCheckBox("MinimizeBox", "Minimize when execute", this);
    TrayBox = NewCheckBox("TrayBox", "Minimize in System Tray", this);
    AntiCrashBox = NewCheckBox("AntiCrashBox", "Enable anti-crash function (recommended)", this);
    AntiCrashBox->setChecked(true);

    Programs = new QPlainTextEdit(this);
    Programs->setObjectName(QStringLiteral("Programs"));
    Programs->setAccessibleName(QStringLiteral("Programs started on connect"));
    // Paths stay on one line each, with both scroll bars.
    Programs->setLineWrapMode(QPlainTextEdit::NoWrap);
    Programs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Programs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Room for a few program paths, by the font.
    const QFontMetrics memo = Programs->fontMetrics();
    Programs->setMinimumSize(memo.averageCharWidth() * 40, memo.lineSpacing() * 6);
    AddButton = new QPushButton(QStringLiteral("Add"), this);
    AddButton->setObjectName(QStringLiteral("AddButton"));
    AddButton->setAutoDefault(false);
    ProgramCount = new QLabel(QString::fromStdString(ProgramCountText(0)), this);
    ProgramCount->setObjectName(QStringLiteral("ProgramCount"));
    auto* execRow = new QWidget(this);
    auto* execLayout = new QHBoxLayout(execRow);
    execLayout->setContentsMargins(0, 0, 0, 0);
    execLayout->addWidget(ProgramCount, 1);
    execLayout->addWidget(AddButton);

    ConnectDelay = new QLineEdit(QStringLiteral("0"), this);
    ConnectDelay->setObjectName(QStringLiteral("ConnectDelay"));
    ConnectDelay->setMaxLength(kDelayDigits);
    ConnectDelay->setFixedWidth(LineEditWidthFor(*ConnectDelay, QString(kDelayDigits, u'0')));
    auto* delayLabel = new QLabel(QStringLiteral("Seconds :"), this);
    delayLabel->setObjectName(QStringLiteral("DelayLabel"));
    delayLabel->setBuddy(ConnectDelay);
    auto* delayRow = new QWidget(this);
    auto* delayLayout = new QHBoxLayout(delayRow);
    delayLayout->setContentsMargins(0, 0, 0, 0);
    delayLayout->addWidget(delayLabel);
    delayLayout->addWidget(ConnectDelay);
    delayLayout->addStretch(1);

    // The connection source. The running program follows a new choice between two ticks once
    // no connection is counted, so the note tells when; NETROVA_DIALUP decides for the process
    // it is set for.
    auto* sourceGroup = new QGroupBox(QStringLiteral("Connection source"), this);
    sourceGroup->setObjectName(QStringLiteral("SourceGroup"));
    auto* sourceLayout = new QVBoxLayout(sourceGroup);
    Sources = new QButtonGroup(this);
    for (const SourceChoice& c : kSourceChoices) {
        auto* choice = new QRadioButton(QString::fromLatin1(c.text), sourceGroup);
        choice->setObjectName(QLatin1String(c.name));
        Sources->addButton(choice, static_cast<int>(c.source));
        sourceLayout->addWidget(choice);
    }
    Sources->button(static_cast<int>(DialUpSource::Automatic))->setChecked(true);
    auto* sourceNote = new QLabel(
        QStringLiteral("A change applies at once, or after the counted connection."), sourceGroup);
    sourceNote->setObjectName(QStringLiteral("SourceNote"));
    sourceLayout->addWidget(sourceNote);
    // The process's environment holds for its whole run.
    const char* variable = std::getenv("NETROVA_DIALUP");
    SourceOverride = new QLabel(sourceGroup);
    SourceOverride->setObjectName(QStringLiteral("SourceOverride"));
    SourceOverride->setTextFormat(Qt::PlainText);
    if (variable && *variable)
        SourceOverride->setText(QLatin1String("NETROVA_DIALUP=") +
                                QString::fromLocal8Bit(variable) +
                                QLatin1String(" decides while this Netrova runs."));
    SourceOverride->setVisible(!SourceOverride->text().isEmpty());
    sourceLayout->addWidget(SourceOverride);

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->addTab(NewPage("StartupPage", {AutostartBox, LogoBox}), QStringLiteral("Startup"));
    Pages->addTab(NewPage("TaskbarPage", {MinimizeBox, TrayBox}), QStringLiteral("Taskbar"));
    Pages->addTab(NewPage("ExecPage", {Programs, execRow}), QStringLiteral("Exec"));
    Pages->addTab(NewPage("ConnectionPage", {delayRow, sourceGroup}), QStringLiteral("Connection"));
    Pages->addTab(NewPage("AntiCrashPage", {AntiCrashBox}), QStringLiteral("Anti-Crash"));
    Pages->setCurrentIndex(StartupPage);

    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { HelpClick(); });

    auto* main = new QVBoxLayout(this);
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
    Sources->button(static_cast<int>(p.ConnectionSource))->setChecked(true);
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
    p.ConnectionSource = static_cast<DialUpSource>(Sources->checkedId());
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
