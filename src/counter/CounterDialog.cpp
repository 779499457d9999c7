#include "counter/CounterDialog.h"

#include "platform/HelpViewer.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace netrova {

namespace {

const char* const kPolicyTexts[4] = {"Reset Counter after two weeks",
                                     "Reset Counter after the month",
                                     "Reset Counter after two months", "Never Reset"};

QPushButton* ActionButton(const char* name, const char* text, QWidget* parent) {
    auto* b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TForm6::TForm6(Monitor& monitor, SettingsStore& store, Clock& clock, MessageBoxes& boxes,
               HelpViewer& help, QWidget* parent, ReportRunner* reports)
    : QDialog(parent), help_(help), counter_(monitor, store, clock, boxes, reports) {
    BuildControls();
    FitOnScreen(*this);
}

TForm6::~TForm6() = default;

int TForm6::Execute() {
    return ExecDialog(*this, errors_);
}

void TForm6::BuildControls() {
    setObjectName(QStringLiteral("CounterDialog"));
    setWindowTitle(QStringLiteral("Counter"));

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));

    auto* resetPage = new QWidget;
    resetPage->setObjectName(QStringLiteral("ResetPage"));
    auto* resetLayout = new QVBoxLayout(resetPage);
    auto* policies = new QButtonGroup(resetPage);
    for (int i = 0; i < 4; ++i) {
        PolicyButtons[i] = new QRadioButton(QString::fromLatin1(kPolicyTexts[i]), resetPage);
        PolicyButtons[i]->setObjectName(QStringLiteral("PolicyButton%1").arg(i + 1));
        policies->addButton(PolicyButtons[i], i + 1);
        resetLayout->addWidget(PolicyButtons[i]);
    }
    ResetNowButton = ActionButton("ResetNowButton", "Reset now", resetPage);
    resetLayout->addWidget(ResetNowButton, 0, Qt::AlignLeft);
    resetLayout->addStretch(1);
    Pages->addTab(resetPage, QStringLiteral("Reset"));

    auto* reportPage = new QWidget;
    reportPage->setObjectName(QStringLiteral("ReportPage"));
    auto* reportLayout = new QVBoxLayout(reportPage);
    ReportEnabled = new QCheckBox(QStringLiteral("Report enabled"), reportPage);
    ReportEnabled->setObjectName(QStringLiteral("ReportEnabled"));
    reportLayout->addWidget(ReportEnabled);
    CreateReportButton = ActionButton("CreateReportButton", "Create Report now", reportPage);
    reportLayout->addWidget(CreateReportButton, 0, Qt::AlignLeft);
    reportLayout->addStretch(1);
    Pages->addTab(reportPage, QStringLiteral("Report"));

    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { HelpClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addLayout(buttons.row);

    connect(ResetNowButton, &QPushButton::clicked, this,
            [this] { errors_.Run(*this, [this] { ResetNowClick(); }); });
    connect(CreateReportButton, &QPushButton::clicked, this,
            [this] { errors_.Run(*this, [this] { CreateReportClick(); }); });
}

void TForm6::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QueueActivation(*this, errors_, [this] { FormActivate(); });
}

void TForm6::FormActivate() {
    const CounterPolicy stored = counter_.StoredPolicy();
    if (stored.Reset >= 1 && stored.Reset <= 4)
        PolicyButtons[stored.Reset - 1]->setChecked(true);
    ReportEnabled->setChecked(stored.Report == 1);
}

int TForm6::ReportChecked() const {
    return ReportEnabled->isChecked() ? 1 : 0;
}

void TForm6::ResetNowClick() {
    counter_.ResetToday(ReportChecked());
}

void TForm6::CreateReportClick() {
    counter_.CreateReportNow();
}

void TForm6::BitBtn1Click() {
    int policy = 0;
    for (int i = 0; i < 4; ++i)
        if (PolicyButtons[i]->isChecked())
            policy = i + 1;
    counter_.ApplyPolicy(policy, ReportChecked());
    accept();
}

void TForm6::HelpClick() {
    help_.ShowContext(HelpContext::Counter);
}

} // namespace netrova
