#include "history/StatisticsWindow.h"

#include "history/HistoryWidgets.h"
#include "history/LimitReach.h"
#include "history/LoadPacer.h"
#include "history/UsageChartView.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"
#include "store/MachineSettings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace netrova {

namespace {

// Counts, times and money line up on the right like figures in a column.
class RightAlignedFigures : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::TextAlignmentRole && index.column() != ucUserName)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

TForm9::TForm9(SettingsStore& store, HelpViewer& help, Clock& clock, CounterFiguresFn figures,
               CounterPeriodFn counterPeriod, TSortState& sort, QWidget* parent)
    : QDialog(parent), store_(store), help_(help), clock_(clock), figures_(std::move(figures)),
      counterPeriod_(std::move(counterPeriod)), sort_(sort) {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Statistics"));
    BuildControls();
    FitOnScreen(*this);
}

TForm9::~TForm9() = default;

void TForm9::BuildControls() {
    model_ = new TUsersModel(this);
    auto* figures = new RightAlignedFigures(this);
    figures->setSourceModel(model_);

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
    Users->setModel(figures);
    SetUpHistoryList(*Users, kUsersWidths, kUsersColumnCount, 160);
    FitColumns();
    connect(Users->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TForm9::UsersColumnClick);
    (new QVBoxLayout(users))->addWidget(Users);

    auto* forecast = new QGroupBox(QStringLiteral("Forecast"), summary);
    Forecast = new QLabel(forecast);
    Forecast->setObjectName(QStringLiteral("Forecast"));
    Forecast->setWordWrap(true);
    LimitForecast = new QLabel(forecast);
    LimitForecast->setObjectName(QStringLiteral("LimitForecast"));
    LimitForecast->setWordWrap(true);
    LimitForecast->hide();
    auto* forecastLayout = new QVBoxLayout(forecast);
    forecastLayout->addWidget(Forecast);
    forecastLayout->addWidget(LimitForecast);

    auto* summaryLayout = new QVBoxLayout(summary);
    summaryLayout->setContentsMargins(0, 0, 0, 0);
    summaryLayout->addWidget(crashes);
    summaryLayout->addWidget(users, 1);
    summaryLayout->addWidget(forecast);

    auto* chartPage = new QWidget(this);
    UsageChart = new TUsageChartView(chartPage);
    UsageChart->setObjectName(QStringLiteral("UsageChart"));
    auto* shows = new QComboBox(chartPage);
    shows->setObjectName(QStringLiteral("ChartShows"));
    shows->addItem(QStringLiteral("Connection time and fee"));
    shows->addItem(QStringLiteral("Volume"));
    connect(shows, &QComboBox::currentIndexChanged, this, [this](int index) {
        UsageChart->SetShows(index == 1 ? TChartShows::Volume : TChartShows::TimeAndFee);
    });
    auto* showsRow = new QHBoxLayout;
    auto* showsCaption = new QLabel(QStringLiteral("Show:"), chartPage);
    showsCaption->setBuddy(shows);
    showsRow->addWidget(showsCaption);
    showsRow->addWidget(shows);
    showsRow->addStretch(1);
    auto* chartLayout = new QVBoxLayout(chartPage);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->addLayout(showsRow);
    chartLayout->addWidget(UsageChart, 1);

    // The window takes the size of its larger page once, so a tab change neither resizes nor
    // moves it.
    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("Tabs"));
    Tabs->addTab(summary, QStringLiteral("Summary"));
    Tabs->addTab(chartPage, QStringLiteral("Usage chart"));
    const auto turn = [this](QKeyCombination key, int by) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                [this, by] { Tabs->setCurrentIndex((Tabs->currentIndex() + by + 2) % 2); });
    };
    turn(Qt::CTRL | Qt::Key_Tab, 1);
    turn(Qt::CTRL | Qt::Key_PageDown, 1);
    turn(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, -1);
    turn(Qt::CTRL | Qt::Key_PageUp, -1);

    const OkHelpButtons buttons = MakeOkHelpButtons(*this);
    connect(buttons.help, &QPushButton::clicked, this, &TForm9::HelpClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Tabs, 1);
    layout->addLayout(buttons.row);
}

void TForm9::FitColumns() {
    // Each column at least its own width, and as wide as its caption and its widest figure.
    int width = 0;
    for (int c = 0; c < kUsersColumnCount; ++c) {
        Users->resizeColumnToContents(c);
        const int fit = std::max(kUsersWidths[c], Users->columnWidth(c));
        Users->setColumnWidth(c, fit);
        width += fit;
    }
    Users->setMinimumWidth(width + 2 * Users->frameWidth() +
                           Users->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

int TForm9::ShowModal() {
    return ExecDialog(*this, errors_);
}

void TForm9::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QueueActivation(*this, errors_, [this] {
        if (isVisible())
            FormActivate();
    });
}

void TForm9::FormActivate() {
    const std::int32_t crashes = MachineSettings(store_).CrashCount();
    TotalCrashes->setText(QString::number(crashes));

    const TStamp now = clock_.Now();
    const CounterFigures figures = figures_();
    const std::optional<TCounterPeriod> period =
        counterPeriod_ ? counterPeriod_(now, figures.AllTime, figures.AllMoney, figures.AllVolume)
                       : std::nullopt;
    Forecast->setText(period ? QString::fromStdString(period->Forecast)
                             : QStringLiteral("No forecast: the counter has no totals yet."));
    // Without a period there is no pace to reach a limit at.
    const std::string limits =
        period ? LimitLines({figures.MoneyLimit, figures.VolumeLimit}, figures.AllMoney,
                            figures.AllVolume, period->FirstDay, DayNumber(now))
               : std::string();
    LimitForecast->setText(QString::fromStdString(limits));
    LimitForecast->setVisible(!limits.empty());

    const std::uint64_t generation = ++generation_;
    loading_ = true;
    std::vector<TUserTotals> users;
    TLoadPacer pause(generation_);
    const bool complete = SumUsers(figures.ProgramPath, users, std::ref(pause));
    if (!complete || generation != generation_)
        return; // closed while loading
    loading_ = false;
    model_->SetUsers(std::move(users));
    FitColumns();
    for (const int column : std::exchange(pendingClicks_, {}))
        UsersColumnClick(column);

    // The loading let ticks run: the rate takes the total as it is now.
    const float rate = netrova::CrashRate(crashes, figures_().AllTime);
    CrashRate->setText(
        QString::fromStdString(FormatRate(rate, QLocale::system().decimalPoint().toStdString())));
    FillChart(period, now);
}

void TForm9::FillChart(const std::optional<TCounterPeriod>& period, const TStamp& now) {
    if (!period) {
        UsageChart->ShowNothing(QStringLiteral("No counter period to chart."));
        return;
    }
    // The chart's scan is paced like the list's; a close on the way leaves the chart empty.
    const std::uint64_t generation = generation_;
    TLoadPacer pause(generation_);
    std::vector<DayUsage> days =
        RecentUsage(figures_().ProgramPath, period->FirstDay, DayNumber(now), std::ref(pause));
    if (generation == generation_)
        UsageChart->Show(ChartUsage(days));
}

void TForm9::UsersColumnClick(int column) {
    if (loading_) {
        pendingClicks_.push_back(column); // sorted once the list is there
        return;
    }
    model_->ColumnClick(sort_, column);
}

void TForm9::HelpClick() {
    help_.ShowContext(HelpContext::Statistics);
}

void TForm9::done(int result) {
    ++generation_;
    loading_ = false;
    pendingClicks_.clear();
    model_->Clear();
    Forecast->clear();
    LimitForecast->clear();
    UsageChart->Clear();
    QDialog::done(result);
}

} // namespace netrova
