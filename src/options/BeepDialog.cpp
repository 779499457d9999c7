#include "options/BeepDialog.h"

#include "common/Text.h"
#include "monitor/Monitor.h"
#include "options/Beep.h"
#include "options/Preferences.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "settings/UserPreferences.h"

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

TForm4::TForm4(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, Monitor& mon,
               QWidget* parent)
    : QDialog(parent), store_(store), boxes_(boxes), help_(help), mon_(mon) {
    BuildControls();
    FitOnScreen(*this);
}

TForm4::~TForm4() = default;

void TForm4::BuildControls() {
    setObjectName(QStringLiteral("BeepDialog"));
    setWindowTitle(QStringLiteral("Beep"));

    Explanation = new QPlainTextEdit(QString::fromLatin1(kExplanation), this);
    Explanation->setObjectName(QStringLiteral("Explanation"));
    Explanation->setReadOnly(true);
    Explanation->setFocusPolicy(Qt::NoFocus);
    Explanation->setFixedHeight(Explanation->fontMetrics().lineSpacing() * 4);

    Interval = new QLineEdit(this);
    Interval->setObjectName(QStringLiteral("Interval"));
    Interval->setMaxLength(kBeepIntervalDigits);
    Interval->setFixedWidth(Interval->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                            16);
    auto* intervalLabel = new QLabel(QStringLiteral("Time interval in minutes :"), this);
    intervalLabel->setObjectName(QStringLiteral("IntervalLabel"));
    intervalLabel->setBuddy(Interval);
    EnabledBox = new QCheckBox(QStringLiteral("Beep is enabled"), this);
    EnabledBox->setObjectName(QStringLiteral("EnabledBox"));

    auto* sounds = new QGroupBox(this);
    auto* soundsLayout = new QVBoxLayout(sounds);
    for (int i = 0; i < 4; ++i) {
        SoundButtons[i] = new QRadioButton(QString::fromLatin1(kSoundNames[i]), sounds);
        SoundButtons[i]->setObjectName(QStringLiteral("SoundButton%1").arg(i + 1));
        SoundButtons[i]->setToolTip(QStringLiteral("Select the sound !"));
        soundsLayout->addWidget(SoundButtons[i]);
    }
    SoundButtons[2]->setChecked(true);

    auto* grid = new QGridLayout;
    grid->addWidget(intervalLabel, 0, 0);
    grid->addWidget(Interval, 0, 1);
    grid->addWidget(EnabledBox, 1, 0, 1, 2);
    grid->addWidget(sounds, 0, 2, 3, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(2, 1);

    // "OK" is the default button, so Enter in the field acts as "OK".
    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { HelpClick(); });

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addWidget(Explanation);
    main->addLayout(grid);
    main->addLayout(buttons.row);

    connect(EnabledBox, &QCheckBox::clicked, this, &TForm4::EnabledBoxClick);
    connect(Interval, &QLineEdit::textChanged, this, &TForm4::IntervalChange);
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
    EnabledBox->setChecked(beep.Enabled != 0);
    {
        // The stored number is shown as it is, without the typing check.
        const QSignalBlocker blocker(Interval);
        Interval->setText(QString::number(beep.Interval));
    }
    const int sound = beep.Sound;
    if (sound >= 1 && sound <= 4)
        SoundButtons[sound - 1]->setChecked(true);
    EnabledBoxClick();
}

void TForm4::EnabledBoxClick() {
    Interval->setEnabled(EnabledBox->isChecked());
}

void TForm4::IntervalChange() {
    const QString text = Interval->text();
    int bad = CountNonDigits(text.toStdString());
    if (bad == 0 && !text.isEmpty() && LeadingInt(text.toStdString()) == 0)
        bad = 1;
    for (int i = 0; i < bad; ++i)
        boxes_.Show(kIncorrectNumber, MsgIcon::Warning);
    if (bad > 0) {
        // Blocked: the current interval is not checked again, even if the store made it 0.
        const QSignalBlocker blocker(Interval);
        Interval->setText(QString::number(mon_.State().BeepInterval));
    }
}

int TForm4::CheckedSound() const {
    for (int i = 0; i < 4; ++i)
        if (SoundButtons[i]->isChecked())
            return i + 1;
    return 3;
}

void TForm4::BitBtn1Click() {
    const std::string interval = StoreBeepSettings(store_, mon_, EnabledBox->isChecked(),
                                                   Interval->text().toStdString(), CheckedSound());
    {
        const QSignalBlocker blocker(Interval);
        Interval->setText(QString::fromStdString(interval));
    }
    accept();
}

void TForm4::HelpClick() {
    help_.ShowContext(HelpContext::Beep);
}

} // namespace netrova
