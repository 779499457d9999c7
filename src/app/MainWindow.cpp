#include "app/MainWindow.h"

#include "app/StatusPictures.h"
#include "options/Beep.h"
#include "options/ExecList.h"
#include "platform/CanberraSounds.h"
#include "platform/DialUpService.h"
#include "platform/HelpViewer.h"
#include "platform/ProgramLauncher.h"
#include "tariffs/ProviderTariffsDialog.h"
#include "tariffs/Tariffoptions.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace netrova {

namespace {

const QColor kMaroon(128, 0, 0);
const QColor kRed(255, 0, 0);

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

void SetTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

TForm1::TForm1(SettingsStore& store, Clock& clock, MessageBoxes& boxes, HelpViewer& help,
               QWidget* parent)
    : QMainWindow(parent), store_(store), boxes_(boxes), help_(help),
      monitor_(store, clock, boxes, help, *this) {
    setObjectName(QStringLiteral("Form1"));
    BuildWindow();
    BuildMenu();
    dialUp_ = MakeDialUpService(store_);
    launcher_ = std::make_unique<QtProgramLauncher>();
    sounds_ = std::make_unique<CanberraSounds>();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::BuildWindow() {
    // A fixed single border with the system menu and minimise, but no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    setWindowIcon(ProgramIcon());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    Label1 = NewLabel(central, "Label1", QStringLiteral("Netrova 1.2"));
    QFont headingFont = Label1->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.5);
    Label1->setFont(headingFont);
    Label1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Label1);

    // Room for the longest texts the fields usually hold, so that the window keeps its size,
    // and one caption width for both groups, so that their values line up.
    const int valueWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("9999 h. 59 min. 59 sec.")) + 8;
    const int captionWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("Average t. p. d. :")) + 4;

    GroupBox1 = new QGroupBox(tr("Not connected"), central);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* status = new QGridLayout(GroupBox1);
    status->setColumnMinimumWidth(0, captionWidth);
    status->setColumnStretch(1, 1);
    status->setHorizontalSpacing(12);
    struct Field {
        const char* caption;
        const char* captionName;
        const char* valueName;
        const char* hint;
        QLabel** value;
    };
    const Field fields[] = {
        {"Con. time :", "Label2", "Label6", "Current or last connection time", &Label6},
        {"Current fee :", "Label3", "Label7", "Current or last connection money for Internet",
         &Label7},
        {"User :", "Label4", "Label8", "Connected user ", &Label8},
        {"Provider :", "Label5", "Label9", "Internet Provider", &Label9},
    };
    int row = 0;
    for (const Field& f : fields) {
        QLabel* caption = NewLabel(GroupBox1, f.captionName, QString::fromLatin1(f.caption));
        QLabel* value = NewLabel(GroupBox1, f.valueName);
        value->setToolTip(QString::fromLatin1(f.hint));
        value->setMinimumWidth(valueWidth);
        status->addWidget(caption, row, 0);
        status->addWidget(value, row, 1);
        *f.value = value;
        ++row;
    }
    // The provider's hint belongs to its caption as well.
    GroupBox1->findChild<QLabel*>(QStringLiteral("Label5"))->setToolTip(Label9->toolTip());
    SetTextColor(Label6, kMaroon);
    SetTextColor(Label7, kMaroon);

    Image1 = NewLabel(GroupBox1, "Image1");
    Image1->setPixmap(ConnectedPicture());
    Image1->setToolTip(tr("Connected"));
    Image2 = NewLabel(GroupBox1, "Image2");
    Image2->setPixmap(NotConnectedPicture());
    Image2->setToolTip(tr("Not connected"));
    // Both pictures share one place; only one of them is shown.
    status->addWidget(Image1, 0, 2, row, 1, Qt::AlignCenter);
    status->addWidget(Image2, 0, 2, row, 1, Qt::AlignCenter);
    Image1->hide();
    layout->addWidget(GroupBox1);

    GroupBox2 = new QGroupBox(tr("History"), central);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* history = new QGridLayout(GroupBox2);
    history->setColumnMinimumWidth(0, captionWidth);
    history->setColumnStretch(1, 1);
    history->setHorizontalSpacing(12);
    history->addWidget(NewLabel(GroupBox2, "Label10", QStringLiteral("General fee :")), 0, 0);
    Label11 = NewLabel(GroupBox2, "Label11");
    Label11->setToolTip(QStringLiteral("All money for the Internet since the last counter reset"));
    Label11->setMinimumWidth(valueWidth);
    SetTextColor(Label11, kRed);
    history->addWidget(Label11, 0, 1);
    // The other totals, the clock and the tool bar join this window with the main window's
    // full contents.
    layout->addWidget(GroupBox2);

    BitBtn1 = new QPushButton(tr("Hi&de"), central);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setToolTip(tr("Hide program"));
    BitBtn2 = new QPushButton(tr("E&xit"), central);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setToolTip(tr("Exit program"));
    // Enter presses the focused button, and "Hi&de" is the window's default button.
    BitBtn1->setAutoDefault(true);
    BitBtn2->setAutoDefault(true);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch();
    layout->addLayout(buttons);
    setCentralWidget(central);
    BitBtn1->setFocus();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
}

void TForm1::BuildMenu() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("File1"));
    Hide1 = file->addAction(tr("Hi&de"), this, &TForm1::BitBtn1Click);
    Hide1->setObjectName(QStringLiteral("Hide1"));
    Hide1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    file->addSeparator();
    Exit2 = file->addAction(tr("E&xit"), this, &TForm1::Exit2Click);
    Exit2->setObjectName(QStringLiteral("Exit2"));
    Exit2->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    QMenu* options = menuBar()->addMenu(tr("&Options"));
    options->setObjectName(QStringLiteral("Options1"));
    Providers1 = options->addAction(tr("&Providers ..."), this, &TForm1::Providers1Click);
    Providers1->setObjectName(QStringLiteral("Providers1"));
    Providers1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_P));
    Tariffs1 = options->addAction(tr("&Tariffs ..."), this, &TForm1::Tariffs1Click);
    Tariffs1->setObjectName(QStringLiteral("Tariffs1"));
    Tariffs1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_T));

    QMenu* helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->setObjectName(QStringLiteral("Help1"));
    Help2 = helpMenu->addAction(tr("&Help"), this, &TForm1::Help2Click);
    Help2->setObjectName(QStringLiteral("Help2"));
    Help2->setShortcut(QKeySequence(Qt::Key_F1));

    setFixedSize(sizeHint());
    CentreOnScreen();
}

void TForm1::CentreOnScreen() {
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TForm1::FormCreate() {
    // The start-up logo is shown here, before anything else, when "Logo" asks for it.
    // HdWin, the minimise and restore handler of tray mode, is installed here.
    monitor_.StartMonitor();
    // The scheduled counter reset check runs here, after the totals have been loaded.
}

void TForm1::FormActivate() {
    if (monitor_.TrayMode != 1)
        ShowTaskbarButton();
}

void TForm1::ShowTaskbarButton() {
    // Tray mode keeps the window out of the task bar as a tool window; outside it the
    // window has its normal task-bar entry.
    if (windowFlags().testFlag(Qt::Tool)) {
        setWindowFlag(Qt::Tool, false);
        show();
    }
}

bool TForm1::FormCloseQuery() {
    RunExitSteps();
    return true;
}

void TForm1::RunExitSteps() {
    if (exitStepsDone_)
        return;
    exitStepsDone_ = true;
    monitor_.CloseForExit();
    // No tick may run between the exit steps and the end of the process.
    Timer1->stop();
}

void TForm1::Timer1Timer() {
    dialUp_->Publish();
    monitor_.Timer1Timer();
    CheckBeep(monitor_, *sounds_);
}

void TForm1::BitBtn1Click() {
    showMinimized();
}

void TForm1::BitBtn2Click() {
    ExitConfirmed();
}

void TForm1::Exit2Click() {
    ExitConfirmed();
}

void TForm1::ExitConfirmed() {
    if (exitStepsDone_ || !monitor_.ConfirmExit())
        return;
    exitStepsDone_ = true;
    Timer1->stop();
    emit ExitRequested(0);
}

void TForm1::Help2Click() {
    help_.ShowContents();
}

void TForm1::Providers1Click() {
    TForm3::Execute(store_, boxes_, help_, this);
}

void TForm1::Tariffs1Click() {
    TForm5::Execute(store_, boxes_, help_, this);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery())
        event->accept();
    // Closing the main window ends the program, whatever other windows are open.
    emit ExitRequested(0);
}

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
    QMainWindow::changeEvent(event);
}

void TForm1::ShowConnectionStatus(const std::string& caption) {
    GroupBox1->setTitle(Text(caption));
}

void TForm1::ShowProvider(const std::string& provider) {
    Label9->setText(Text(provider));
}

void TForm1::ShowUser(const std::string& user) {
    Label8->setText(Text(user));
}

void TForm1::ShowConnectedPicture(bool connected) {
    Image1->setVisible(connected);
    Image2->setVisible(!connected);
}

void TForm1::ShowConnTime(const std::string& text) {
    Label6->setText(Text(text));
}

void TForm1::ShowFee(const std::string& text) {
    Label7->setText(Text(text));
}

void TForm1::ShowTotalMoney(const std::string& text) {
    Label11->setText(Text(text));
}

void TForm1::ShowStatusText(const std::string& text) {
    statusText_ = Text(text);
    // The window title is the text of the task-bar entry.
    setWindowTitle(statusText_);
    setToolTip(statusText_);
}

void TForm1::RunExecList() {
    netrova::RunExecList(store_, *launcher_, boxes_);
}

void TForm1::EnableTimer(bool enabled) {
    if (enabled)
        Timer1->start();
    else
        Timer1->stop();
}

} // namespace netrova
