#include "options/LimitsDialog.h"

#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "settings/Limits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace netrova {

namespace {

constexpr int kMiBPerGiB = 1024;
constexpr int kMaxMiB = std::numeric_limits<std::int32_t>::max();
// The main window's money fields have room for this much.
constexpr double kMaxDollars = 9999999.99;

QLabel* Caption(const char* text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setBuddy(buddy);
    return label;
}

QSpinBox* PercentBox(const char* name, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(1, 99);
    box->setSuffix(QStringLiteral(" %"));
    return box;
}

} // namespace

LimitsDialog::LimitsDialog(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help,
                           bool canHangUp, QWidget* parent)
    : QDialog(parent), store_(store), boxes_(boxes), help_(help), canHangUp_(canHangUp) {
    BuildControls();
    FitOnScreen(*this);
}

LimitsDialog::~LimitsDialog() = default;

void LimitsDialog::SetCanHangUp(bool canHangUp) {
    canHangUp_ = canHangUp;
    HangUp->setEnabled(canHangUp);
    HangUp->setToolTip(
        canHangUp ? QString()
                  : QStringLiteral("Connections started by hand cannot be ended by Netrova: "
                                   "choose a dial-up source"));
}

int LimitsDialog::Execute() {
    return ExecDialog(*this, errors_);
}

void LimitsDialog::BuildControls() {
    setObjectName(QStringLiteral("LimitsDialog"));
    setWindowTitle(QStringLiteral("Limits"));

    MoneyLimitOn = new QCheckBox(QStringLiteral("Money limit"), this);
    MoneyLimitOn->setObjectName(QStringLiteral("MoneyLimitOn"));
    MoneyLimit = new QDoubleSpinBox(this);
    MoneyLimit->setObjectName(QStringLiteral("MoneyLimit"));
    MoneyLimit->setDecimals(2);
    MoneyLimit->setRange(0.01, kMaxDollars);
    MoneyLimit->setSuffix(QStringLiteral(" dol."));
    MoneyLimit->setToolTip(QStringLiteral("Dollars and cents for the counting period"));

    VolumeLimitOn = new QCheckBox(QStringLiteral("Data limit"), this);
    VolumeLimitOn->setObjectName(QStringLiteral("VolumeLimitOn"));
    VolumeLimit = new QSpinBox(this);
    VolumeLimit->setObjectName(QStringLiteral("VolumeLimit"));
    VolumeLimit->setRange(1, kMaxMiB);
    VolumeLimit->setToolTip(QStringLiteral("Data received and sent in the counting period"));
    VolumeUnit = new QComboBox(this);
    VolumeUnit->setObjectName(QStringLiteral("VolumeUnit"));
    VolumeUnit->addItems({QStringLiteral("MiB"), QStringLiteral("GiB")});

    Warn1 = PercentBox("Warn1", this);
    Warn2 = PercentBox("Warn2", this);
    HangUp = new QCheckBox(QStringLiteral("Hang up at the limit"), this);
    HangUp->setObjectName(QStringLiteral("HangUp"));
    SetCanHangUp(canHangUp_);

    auto* grid = new QGridLayout;
    grid->addWidget(MoneyLimitOn, 0, 0);
    grid->addWidget(MoneyLimit, 0, 1, 1, 2);
    grid->addWidget(VolumeLimitOn, 1, 0);
    grid->addWidget(VolumeLimit, 1, 1);
    grid->addWidget(VolumeUnit, 1, 2);
    grid->addWidget(Caption("First warning at :", Warn1, this), 2, 0);
    grid->addWidget(Warn1, 2, 1);
    grid->addWidget(Caption("Second warning at :", Warn2, this), 3, 0);
    grid->addWidget(Warn2, 3, 1);
    grid->addWidget(HangUp, 4, 0, 1, 3);

    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { OkClick(); }, [this] { HelpClick(); });

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addLayout(grid);
    main->addLayout(buttons.row);

    connect(MoneyLimitOn, &QCheckBox::toggled, this, &LimitsDialog::EnableAmounts);
    connect(VolumeLimitOn, &QCheckBox::toggled, this, &LimitsDialog::EnableAmounts);
    connect(VolumeUnit, &QComboBox::currentIndexChanged, this, &LimitsDialog::UnitChange);
}

void LimitsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QueueActivation(*this, errors_, [this] { FormActivate(); });
}

void LimitsDialog::FormActivate() {
    const LimitSettings l = Limits(store_).Read();
    MoneyLimitOn->setChecked(l.Money > 0);
    MoneyLimit->setValue(l.Money > 0 ? l.Money / 100.0 : 10.0);
    VolumeLimitOn->setChecked(l.Volume > 0);
    {
        const QSignalBlocker blocker(VolumeUnit);
        shownUnit_ = l.Volume > 0 && l.Volume % kMiBPerGiB == 0 ? 1 : 0;
        VolumeUnit->setCurrentIndex(shownUnit_);
        VolumeLimit->setMaximum(shownUnit_ ? kMaxMiB / kMiBPerGiB : kMaxMiB);
    }
    if (l.Volume > 0)
        VolumeLimit->setValue(shownUnit_ ? l.Volume / kMiBPerGiB : l.Volume);
    else
        VolumeLimit->setValue(shownUnit_ ? 1 : kMiBPerGiB);
    Warn1->setValue(l.Warn1);
    Warn2->setValue(l.Warn2);
    HangUp->setChecked(l.HangUp);
    EnableAmounts();
}

void LimitsDialog::EnableAmounts() {
    MoneyLimit->setEnabled(MoneyLimitOn->isChecked());
    VolumeLimit->setEnabled(VolumeLimitOn->isChecked());
    VolumeUnit->setEnabled(VolumeLimitOn->isChecked());
}

void LimitsDialog::UnitChange() {
    // The amount keeps its size: 2048 MiB become 2 GiB, 2 GiB become 2048 MiB.
    const int unit = VolumeUnit->currentIndex();
    if (unit == shownUnit_)
        return;
    const int mib = shownUnit_ ? VolumeLimit->value() * kMiBPerGiB : VolumeLimit->value();
    shownUnit_ = unit;
    VolumeLimit->setMaximum(unit ? kMaxMiB / kMiBPerGiB : kMaxMiB);
    VolumeLimit->setValue(unit ? std::max(1, mib / kMiBPerGiB) : mib);
}

LimitSettings LimitsDialog::Shown() const {
    LimitSettings l;
    l.Money = MoneyLimitOn->isChecked()
                  ? static_cast<std::int32_t>(std::llround(MoneyLimit->value() * 100))
                  : 0;
    l.Volume =
        VolumeLimitOn->isChecked() ? VolumeLimit->value() * (shownUnit_ ? kMiBPerGiB : 1) : 0;
    l.Warn1 = Warn1->value();
    l.Warn2 = Warn2->value();
    l.HangUp = HangUp->isChecked();
    return l;
}

void LimitsDialog::OkClick() {
    const LimitSettings l = Shown();
    if (const std::string problem = Limits::Problem(l); !problem.empty()) {
        boxes_.Show(problem, MsgIcon::Warning);
        return;
    }
    Limits(store_).Write(l);
    accept();
}

void LimitsDialog::HelpClick() {
    help_.ShowContext(HelpContext::Limits);
}

} // namespace netrova
