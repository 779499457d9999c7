#include "options/PreferencesDialog.h"

#include "options/ExecList.h"
#include "options/OptionsDialogSupport.h"
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
    CenterOnScreen(*this);
}

TForm2::~TForm2() = default;

void TForm2::BuildControls() {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Preferences"));

    CheckBox1 = NewCheckBox("CheckBox1", "Load Netrova every time Windows starts", this);
    CheckBox1->setChecked(true);
    CheckBox2 = NewCheckBox("CheckBox2", "Show logo picture on start", this);
    CheckBox2->setChecked(true);
    CheckBox3 = NewCheckBox("CheckBox3", "Minimize when execute", this);
    CheckBox4 = NewCheckBox("CheckBox4", "Minimize in System Tray", this);
    CheckBox5 = NewCheckBox("CheckBox5", "Enable anti-crash function (recommended)", this);
    CheckBox5->setChecked(true);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    // Paths stay on one line each, with both scroll bars.
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setMinimumSize(360, 140);
    Button1 = new QPushButton(QStringLiteral("Add"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Label1 = new QLabel(QString::fromStdString(ProgramCountText(0)), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto* execRow = new QWidget(this);
    auto* execLayout = new QHBoxLayout(execRow);
    execLayout->setContentsMargins(0, 0, 0, 0);
    execLayout->addWidget(Label1, 1);
    execLayout->addWidget(Button1);

    Edit1 = new QLineEdit(QStringLiteral("0"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(kDelayDigits);
    Edit1->setFixedWidth(Edit1->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 16);
    auto* label2 = new QLabel(QStringLiteral("Seconds :"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    label2->setBuddy(Edit1);
    auto* delayRow = new QWidget(this);
    auto* delayLayout = new QHBoxLayout(delayRow);
    delayLayout->setContentsMargins(0, 0, 0, 0);
    delayLayout->addWidget(label2);
    delayLayout->addWidget(Edit1);
    delayLayout->addStretch(1);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(NewPage("TabSheet1", {CheckBox1, CheckBox2}), QStringLiteral("Startup"));
    PageControl1->addTab(NewPage("TabSheet2", {CheckBox3, CheckBox4}), QStringLiteral("Taskbar"));
    PageControl1->addTab(NewPage("TabSheet3", {Memo1, execRow}), QStringLiteral("Exec"));
    PageControl1->addTab(NewPage("TabSheet4", {delayRow}), QStringLiteral("Connection"));
    PageControl1->addTab(NewPage("TabSheet5", {CheckBox5}), QStringLiteral("Anti-Crash"));
    PageControl1->setCurrentIndex(AntiCrashPage);

    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { BitBtn3Click(); });
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    BitBtn3 = buttons.help;

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addWidget(PageControl1);
    main->addLayout(buttons.row);

    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Edit1, &QLineEdit::textChanged, this, &TForm2::Edit1Change);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TForm2::Memo1Change);
}

int TForm2::Execute(int page) {
    if (page >= 0)
        PageControl1->setCurrentIndex(page);
    const int result = ExecDialog(*this, errors_);
    return result;
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QueueActivation(*this, errors_, [this] { FormActivate(); });
}

void TForm2::FormActivate() {
    const Preferences p = LoadPreferences(store_);
    CheckBox1->setChecked(p.Start);
    CheckBox5->setChecked(p.AntiCrash);
    CheckBox2->setChecked(p.Logo);
    CheckBox3->setChecked(p.Minimize);
    CheckBox4->setChecked(p.SystemTray);
    {
        // The stored number is shown as it is, without the typing check.
        const QSignalBlocker blocker(Edit1);
        Edit1->setText(QString::fromStdString(p.ConnectDelay));
    }
    ReloadPrograms();
}

void TForm2::ReloadPrograms() {
    Memo1->setPlainText(QString::fromStdString(JoinLines(ReadExecList(store_))));
}

void TForm2::Memo1Change() {
    const auto lines = TextLines(Memo1->toPlainText().toStdString());
    Label1->setText(QString::fromStdString(ProgramCountText(lines.size())));
}

void TForm2::Edit1Change() {
    const int bad = ConnectDelayProblems(Edit1->text().toStdString());
    for (int i = 0; i < bad; ++i)
        boxes_.Show(kIncorrectNumber, MsgIcon::Warning);
    // "0" passes the check, so setting it goes no deeper.
    if (bad > 0)
        Edit1->setText(QStringLiteral("0"));
}

void TForm2::Button1Click() {
    const std::string path = chooser_.ChooseProgram("Open");
    if (path.empty())
        return;
    auto lines = TextLines(Memo1->toPlainText().toStdString());
    lines.push_back(path);
    Memo1->setPlainText(QString::fromStdString(JoinLines(lines)));
}

void TForm2::BitBtn1Click() {
    Preferences p;
    p.Start = CheckBox1->isChecked();
    p.Logo = CheckBox2->isChecked();
    p.Minimize = CheckBox3->isChecked();
    p.SystemTray = CheckBox4->isChecked();
    p.ConnectDelay = Edit1->text().toStdString();
    p.AntiCrash = CheckBox5->isChecked();
    const std::string delay = StorePreferences(store_, autostart_, p, program_);
    {
        const QSignalBlocker blocker(Edit1);
        Edit1->setText(QString::fromStdString(delay));
    }
    ApplyTrayChoice(p.SystemTray, tray_, boxes_);
    WriteExecList(store_, TextLines(Memo1->toPlainText().toStdString()));
    accept();
}

void TForm2::BitBtn3Click() {
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
