#include "history/StatisticsWindow.h"

#include "history/HistoryWidgets.h"
#include "history/LoadPacer.h"
#include "history/UsageChartView.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace netrova {

namespace {

constexpr int kHelpContext = 17;

} // namespace

TForm9::TForm9(SettingsStore& store, HelpViewer& help, Clock& clock, const std::string& programPath,
               const int& allTime, const int& allMoney, CounterPeriodFn counterPeriod,
               TSortState& sort, QWidget* parent)
    : QDialog(parent), store_(store), help_(help), clock_(clock), programPath_(programPath),
      allTime_(allTime), allMoney_(allMoney), counterPeriod_(std::move(counterPeriod)),
      sort_(sort) {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Statistics"));
    BuildControls();
    CenterOnScreen(*this);
}

TForm9::~TForm9() = default;

void TForm9::BuildControls() {
    model_ = new TUsersModel(this);

    auto* summary = new QWidget(this);
    auto* crashes = new QGroupBox(QStringLiteral("Crashes:"), summary);
    auto* crashGrid = new QGridLayout(crashes);
    const auto figure = [&](int row, const char* caption, const char* name) {
        crashGrid->addWidget(new QLabel(QString::fromLatin1(caption), crashes), row, 0);
        auto* value = new QLabel(QStringLiteral("0"), crashes);
        value->setObjectName(QLatin1String(name));
        crashGrid->addWidget(value, row, 1);
        return value;
    };
    TotalCrashes = figure(0, "Total crashes:", "TotalCrashes");
    CrashRate = figure(1, "Crashes per 1 con. hour :", "CrashRate");
    crashGrid->setColumnStretch(1, 1);

    auto* users = new QGroupBox(QStringLiteral("Users:"), summary);
    Users = new QTableView(users);
    Users->setObjectName(QStringLiteral("Users"));
    Users->setModel(model_);
    SetUpHistoryList(*Users, kUsersWidths, kUsersColumnCount, 160);
    connect(Users->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TForm9::UsersColumnClick);
    (new QVBoxLayout(users))->addWidget(Users);

    auto* forecast = new QGroupBox(QStringLiteral("Forecast"), summary);
    Forecast = new QLabel(forecast);
    Forecast->setObjectName(QStringLiteral("Forecast"));
    Forecast->setWordWrap(true);
    (new QVBoxLayout(forecast))->addWidget(Forecast);

    auto* summaryLayout = new QVBoxLayout(summary);
    summaryLayout->setContentsMargins(0, 0, 0, 0);
    summaryLayout->addWidget(crashes);
    summaryLayout->addWidget(users, 1);
    summaryLayout->addWidget(forecast);

    UsageChart = new TUsageChartView(this);
    UsageChart->setObjectName(QStringLiteral("UsageChart"));

    // A tab bar over a stack rather than a tab widget: the window takes the size of the page
    // shown, so the summary keeps its compact size and the chart gets room for its bars.
    Tabs = new QTabBar(this);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    Tabs->addTab(QStringLiteral("Summary"));
    Tabs->addTab(QStringLiteral("Usage chart"));
    pages_ = new QStackedWidget(this);
    pages_->addWidget(summary);
    pages_->addWidget(UsageChart);
    connect(Tabs, &QTabBar::currentChanged, this, &TForm9::ShowPage);
    ShowPage(0);

    const OkHelpButtons buttons = MakeOkHelpButtons(*this);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.help;
    connect(BitBtn2, &QPushButton::clicked, this, &TForm9::BitBtn2Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Tabs);
    layout->addWidget(pages_, 1);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm9::ShowPage(int index) {
    for (int i = 0; i < pages_->count(); ++i)
        pages_->widget(i)->setSizePolicy(i == index ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                                         i == index ? QSizePolicy::Preferred
                                                    : QSizePolicy::Ignored);
    pages_->setCurrentIndex(index);
    pages_->updateGeometry();
    if (layout()) {
        layout()->activate();
        CenterOnScreen(*this); // the window changed size: keep it centred
    }
}

int TForm9::ShowModal() {
    const int result = exec();
    errors_.RethrowPending();
    return result;
}

void TForm9::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] {
        if (isVisible())
            errors_.Run(*this, [this] { FormActivate(); });
    });
}

void TForm9::FormActivate() {
    const std::int32_t crashes = ReadCrashCount(store_);
    TotalCrashes->setText(QString::number(crashes));

    const TStamp now = clock_.Now();
    const std::optional<TCounterPeriod> period =
        counterPeriod_ ? counterPeriod_(now, allTime_, allMoney_) : std::nullopt;
    Forecast->setText(period ? QString::fromStdString(period->Forecast)
                             : QStringLiteral("No forecast: the counter has no totals yet."));

    const std::uint64_t generation = ++generation_;
    loading_ = true;
    std::vector<TUserTotals> users;
    TLoadPacer pause(generation_);
    const bool complete = SumUsers(programPath_, users, std::ref(pause));
    if (!complete || generation != generation_)
        return; // closed while loading
    loading_ = false;
    model_->SetUsers(std::move(users));
    for (const int column : std::exchange(pendingClicks_, {}))
        UsersColumnClick(column);
    FillChart(period, now);

    const float rate = netrova::CrashRate(crashes, allTime_);
    CrashRate->setText(
        QString::fromStdString(FormatRate(rate, QLocale::system().decimalPoint().toStdString())));
}

void TForm9::FillChart(const std::optional<TCounterPeriod>& period, const TStamp& now) {
    if (!period) {
        UsageChart->ShowNothing(QStringLiteral("No counter period to chart."));
        return;
    }
    UsageChart->Show(ChartUsage(RecentUsage(programPath_, period->FirstDay, DayNumber(now))));
}

void TForm9::UsersColumnClick(int column) {
    if (loading_) {
        pendingClicks_.push_back(column); // sorted once the list is there
        return;
    }
    model_->ColumnClick(sort_, column);
}

void TForm9::BitBtn2Click() {
    help_.ShowContext(kHelpContext);
}

void TForm9::done(int result) {
    ++generation_;
    loading_ = false;
    pendingClicks_.clear();
    model_->Clear();
    Forecast->clear();
    UsageChart->Clear();
    QDialog::done(result);
}

} // namespace netrova
