#include "options/BeepDialog.h"

#include "common/Text.h"
#include "monitor/Monitor.h"
#include "options/Beep.h"
#include "options/OptionsDialogSupport.h"
#include "options/Preferences.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "store/UserPreferences.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace netrova {

namespace {

const char* const kExplanation =
    "While you are connected, Netrova can beep every time another interval has passed, "
    "to tell you how much time you have spent online.";
const char* const kSoundNames[4] = {"System Default", "System Asterisk", "System Exclamation",
                                    "System Hand"};

} // namespace

TForm4::TForm4(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, TMonitor& mon,
               QWidget* parent)
    : QDialog(parent), store_(store), boxes_(boxes), help_(help), mon_(mon) {
    BuildControls();
    CenterOnScreen(*this);
}

TForm4::~TForm4() = default;

void TForm4::BuildControls() {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Beep"));

    Memo1 = new QPlainTextEdit(QString::fromLatin1(kExplanation), this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setFixedHeight(Memo1->fontMetrics().lineSpacing() * 4);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(kBeepIntervalDigits);
    Edit1->setFixedWidth(Edit1->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    auto* label1 = new QLabel(QStringLiteral("Time interval in minutes :"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setBuddy(Edit1);
    CheckBox1 = new QCheckBox(QStringLiteral("Beep is enabled"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

    auto* sounds = new QGroupBox(this);
    auto* soundsLayout = new QVBoxLayout(sounds);
    for (int i = 0; i < 4; ++i) {
        RadioButton[i] = new QRadioButton(QString::fromLatin1(kSoundNames[i]), sounds);
        RadioButton[i]->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        RadioButton[i]->setToolTip(QStringLiteral("Select the sound !"));
        soundsLayout->addWidget(RadioButton[i]);
    }
    RadioButton[2]->setChecked(true);

    auto* grid = new QGridLayout;
    grid->addWidget(label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(CheckBox1, 1, 0, 1, 2);
    grid->addWidget(sounds, 0, 2, 3, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);

    // "OK" is the default button, so Enter in the field acts as "OK".
    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { BitBtn3Click(); });
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    BitBtn3 = buttons.help;

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addWidget(Memo1);
    main->addLayout(grid);
    main->addLayout(buttons.row);

    connect(CheckBox1, &QCheckBox::clicked, this, &TForm4::CheckBox1Click);
    connect(Edit1, &QLineEdit::textChanged, this, &TForm4::Edit1Change);
}

int TForm4::Execute() {
    const int result = ExecDialog(*this, errors_);
    RereadBeepSettings(store_, mon_);
    return result;
}

void TForm4::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QueueActivation(*this, errors_, [this] { FormActivate(); });
}

void TForm4::FormActivate() {
    const BeepSettings beep = UserPreferences(store_).Beep();
    CheckBox1->setChecked(beep.Enabled != 0);
    {
        // The stored number is shown as it is, without the typing check.
        const QSignalBlocker blocker(Edit1);
        Edit1->setText(QString::number(beep.Interval));
    }
    const int sound = beep.Sound;
    if (sound >= 1 && sound <= 4)
        RadioButton[sound - 1]->setChecked(true);
    CheckBox1Click();
}

void TForm4::CheckBox1Click() {
    Edit1->setEnabled(CheckBox1->isChecked());
}

void TForm4::Edit1Change() {
    const QString text = Edit1->text();
    int bad = CountNonDigits(text.toStdString());
    if (bad == 0 && !text.isEmpty() && LeadingInt(text.toStdString()) == 0)
        bad = 1;
    for (int i = 0; i < bad; ++i)
        boxes_.Show(kIncorrectNumber, MsgIcon::Warning);
    if (bad > 0) {
        // Blocked: the current interval is not checked again, even if the store made it 0.
        const QSignalBlocker blocker(Edit1);
        Edit1->setText(QString::number(mon_.State().BeepInterval));
    }
}

int TForm4::CheckedSound() const {
    for (int i = 0; i < 4; ++i)
        if (RadioButton[i]->isChecked())
            return i + 1;
    return 3;
}

void TForm4::BitBtn1Click() {
    const std::string interval = StoreBeepSettings(store_, mon_, CheckBox1->isChecked(),
                                                   Edit1->text().toStdString(), CheckedSound());
    {
        const QSignalBlocker blocker(Edit1);
        Edit1->setText(QString::fromStdString(interval));
    }
    accept();
}

void TForm4::BitBtn3Click() {
    help_.ShowContext(HelpContext::Beep);
}

} // namespace netrova
