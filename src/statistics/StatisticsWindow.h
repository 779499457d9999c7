#pragma once

#include "platform/DialogSupport.h"
#include "statistics/UsagePerDay.h"
#include "statistics/UserStatistics.h"
#include "statistics/UsersModel.h"

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QTabWidget;
class QTableView;

namespace netrova {

class Clock;
class HelpViewer;
class SettingsStore;
class UsageChartView;

// The running counter as the statistics read it: the program folder and the totals including a
// connection in progress.
struct CounterFigures {
    std::string ProgramPath;
    std::int32_t AllTime = 0;
    std::int32_t AllMoney = 0;
    std::optional<std::uint64_t> AllVolume;
    // The period's limits: cents and bytes, 0 for none.
    std::int64_t MoneyLimit = 0;
    std::uint64_t VolumeLimit = 0;
};
using CounterFiguresFn = std::function<CounterFigures()>;

// "Statistics": crash recoveries, the crash rate per connection hour and the per-user sums of
// the history, the forecast for the counter period and, on a second tab, its usage per day.
// Created once and shown again at each opening; filled on each showing and emptied on close.
class TForm9 : public QDialog {
    Q_OBJECT
public:
    // figures are read at each showing: the counter's totals including a connection in
    // progress. counterPeriod gives the period's first day and forecast for the clock's today
    // and those totals.
    TForm9(SettingsStore& store, HelpViewer& help, Clock& clock, CounterFiguresFn figures,
           CounterPeriodFn counterPeriod, SortState& sort = UsersSort(), QWidget* parent = nullptr);
    ~TForm9() override;

    // Runs the window modally. A store error of its handlers is thrown from here after the
    // window has closed.
    int ShowModal();

    // Fills the window; each showing runs it once (queued, so that the window is drawn first).
    void FormActivate();
    void UsersColumnClick(int column);
    void HelpClick();

    bool Loading() const { return loading_; }
    const UsersModel& Model() const { return *model_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What the worker thread read of the history.
    struct StatisticsRead {
        std::vector<UserTotals> Users;
        std::vector<DayUsage> Days; // of the chart; none without a counter period
        bool Complete = false;      // false when the window closed meanwhile
    };

    void BuildControls();
    void FitColumns();
    void ShowRead(std::uint64_t generation, std::int32_t crashes, const StatisticsRead& read);

    SettingsStore& store_;
    HelpViewer& help_;
    Clock& clock_;
    CounterFiguresFn figures_;
    CounterPeriodFn counterPeriod_;
    SortState& sort_;
    DialogErrors errors_;

    UsersModel* model_ = nullptr;
    bool loading_ = false;
    std::uint64_t generation_ = 0;                // a fill in progress stops when this moves on
    std::vector<int> pendingClicks_;              // header clicks during a load
    std::shared_ptr<std::atomic<bool>> stopLoad_; // set to end the worker of the load

    QLabel* TotalCrashes = nullptr;
    QLabel* CrashRate = nullptr;
    QTableView* Users = nullptr;
    QGroupBox* ForecastBox = nullptr;
    QLabel* Forecast = nullptr;
    QLabel* LimitForecast = nullptr;
    QTabWidget* Tabs = nullptr;
    UsageChartView* UsageChart = nullptr;
};

} // namespace netrova
