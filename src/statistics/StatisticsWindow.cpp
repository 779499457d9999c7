#include "statistics/StatisticsWindow.h"

#include "platform/Clock.h"
#include "platform/DialogSupport.h"
#include "platform/HelpViewer.h"
#include "platform/ListViews.h"
#include "platform/OffThread.h"
#include "settings/MachineSettings.h"
#include "statistics/LimitReach.h"
#include "statistics/UsageChartView.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
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
               CounterPeriodFn counterPeriod, SortState& sort, QWidget* parent)
    : QDialog(parent), store_(store), help_(help), clock_(clock), figures_(std::move(figures)),
      counterPeriod_(std::move(counterPeriod)), sort_(sort) {
    setObjectName(QStringLiteral("StatisticsWindow"));
    setWindowTitle(QStringLiteral("Statistics"));
    BuildControls();
    FitOnScreen(*this);
}

TForm9::~TForm9() = default;

void TForm9::BuildControls() {
    model_ = new UsersModel(this);
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
    Users->setAccessibleName(QStringLiteral("Users"));
    Users->setModel(figures);
    SetUpHistoryList(*Users, kUsersWidths, kUsersColumnCount, 0);
    // Room for the header and three users: a short screen keeps the window's buttons on it.
    Users->setMinimumHeight(Users->horizontalHeader()->sizeHint().height() +
                            3 * Users->verticalHeader()->defaultSectionSize() +
                            2 * Users->frameWidth());
    FitColumns();
    connect(Users->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TForm9::UsersColumnClick);
    (new QVBoxLayout(users))->addWidget(Users);

    ForecastBox = new QGroupBox(QStringLiteral("Forecast"), summary);
    Forecast = new QLabel(ForecastBox);
    Forecast->setObjectName(QStringLiteral("Forecast"));
    Forecast->setWordWrap(true);
    LimitForecast = new QLabel(ForecastBox);
    LimitForecast->setObjectName(QStringLiteral("LimitForecast"));
    LimitForecast->setWordWrap(true);
    LimitForecast->hide();
    // Wrapped, but not into a narrow column of many lines.
    for (QLabel* text : {Forecast, LimitForecast})
        text->setMinimumWidth(28 * text->fontMetrics().averageCharWidth());
    auto* forecastLayout = new QVBoxLayout(ForecastBox);
    forecastLayout->addWidget(Forecast);
    forecastLayout->addWidget(LimitForecast);

    // The crash figures and the forecast side by side, the list below them: the page stays short
    // enough for a low screen.
    auto* summaryLayout = new QGridLayout(summary);
    summaryLayout->setContentsMargins(0, 0, 0, 0);
    summaryLayout->addWidget(crashes, 0, 0);
    summaryLayout->addWidget(ForecastBox, 0, 1);
    summaryLayout->addWidget(users, 1, 0, 1, 2);
    summaryLayout->setColumnStretch(1, 1);
    summaryLayout->setRowStretch(1, 1);

    auto* chartPage = new QWidget(this);
    UsageChart = new UsageChartView(chartPage);
    UsageChart->setObjectName(QStringLiteral("UsageChart"));
    auto* shows = new QComboBox(chartPage);
    shows->setObjectName(QStringLiteral("ChartShows"));
    shows->addItem(QStringLiteral("Connection time and fee"));
    shows->addItem(QStringLiteral("Volume"));
    connect(shows, &QComboBox::currentIndexChanged, this, [this](int index) {
        UsageChart->SetShows(index == 1 ? ChartShows::Volume : ChartShows::TimeAndFee);
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

    const DialogButtons buttons = MakeButtonRow(*this, kOkHelpRow);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
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
    // All columns in view, unless long names would take the window past the screen: the list
    // then scrolls.
    const QScreen* screen = this->screen();
    const int most = screen ? screen->availableGeometry().width() * 3 / 4 : width;
    Users->setMinimumWidth(
        std::min(most, width + 2 * Users->frameWidth() +
                           Users->style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
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
    const std::optional<PeriodOutlook> period =
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
    // Wrapped texts add nothing to a window's least height by themselves: their box keeps the
    // height they take at its narrowest, and the window grows to hold it.
    ForecastBox->setMinimumHeight(
        ForecastBox->heightForWidth(ForecastBox->minimumSizeHint().width()));
    Tabs->updateGeometry(); // that page may be hidden behind the chart's
    FitGrownContents(*this);

    // The history is read on a worker thread: a long one would hold up the window (and the
    // monitor's tick with it). The list and the chart come together once it has been read.
    const std::uint64_t generation = ++generation_;
    loading_ = true;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    stopLoad_ = stop;
    std::vector<DayUsage> days =
        period ? RecentDays(period->FirstDay, DayNumber(now)) : std::vector<DayUsage>();
    RunOffThread(
        this,
        [path = figures.ProgramPath, days = std::move(days), stop] {
            StatisticsRead read{{}, days, false};
            read.Complete = SumUsers(
                path, read.Users, [&stop] { return !*stop; },
                read.Days.empty() ? nullptr : &read.Days);
            return read;
        },
        [this, generation, crashes](const StatisticsRead& read) {
            errors_.Run(*this, [&] { ShowRead(generation, crashes, read); });
        });
}

void TForm9::ShowRead(std::uint64_t generation, std::int32_t crashes, const StatisticsRead& read) {
    if (generation != generation_ || !read.Complete)
        return; // closed while loading
    loading_ = false;
    if (read.Days.empty())
        UsageChart->ShowNothing(QStringLiteral("No counter period to chart."));
    else
        UsageChart->Show(ChartUsage(read.Days));
    // The rate takes the counter's total as it is now, after the ticks of the loading.
    const float rate = netrova::CrashRate(crashes, figures_().AllTime);
    CrashRate->setText(
        QString::fromStdString(FormatRate(rate, QLocale::system().decimalPoint().toStdString())));
    model_->SetUsers(read.Users);
    FitColumns();
    FitGrownContents(*this);
    for (const int column : std::exchange(pendingClicks_, {}))
        UsersColumnClick(column);
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
    if (stopLoad_)
        *stopLoad_ = true; // the worker ends at its next pause
    loading_ = false;
    pendingClicks_.clear();
    model_->Clear();
    Forecast->clear();
    LimitForecast->clear();
    UsageChart->Clear();
    QDialog::done(result);
}

} // namespace netrova
