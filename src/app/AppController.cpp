#include "app/AppController.h"

#include "common/Catching.h"
#include "common/Text.h"
#include "dialup/DialUpService.h"
#include "options/Beep.h"
#include "options/LimitAlerts.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/Notifications.h"
#include "store/Registry.h"

#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace netrova {

LimitAmounts AmountsOf(const LimitSettings& limits) {
    return {limits.Money, limits.VolumeBytes()};
}

AppController::AppController(SettingsStore& store, Clock& clock, MessageBoxes& boxes,
                             HelpViewer& help, const DesktopServices& services,
                             MonitorView& monitorView, AppView& view, ReportRunner* reports,
                             QObject* parent)
    : QObject(parent), store_(store), clock_(clock), boxes_(boxes), services_(services),
      view_(view), reports_(reports), monitor_(store, clock, boxes, help, monitorView),
      timer_(new QTimer(this)) {
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(1000);
    // Each part of the tick catches its own errors.
    connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
    // A reset from any place (a command, the Counter dialog, the scheduled one) starts a new
    // period: its dates are read again at the next tick, by when the reset has written them.
    monitor_.SetChangeHandler([this](MonitorChange change) {
        if (change == MonitorChange::Period)
            counterDates_.reset();
    });
}

Counter AppController::CounterCommands() {
    return Counter(monitor_, store_, clock_, boxes_, reports_);
}

void AppController::Start() {
    starting_ = true;
    Counter::FinishInterruptedReset(store_, boxes_);
    monitor_.StartMonitor();
    CounterCommands().CheckScheduledReset();
    starting_ = false;
    EnableTimer(timerWanted_);
}

void AppController::Tick() {
    if (ticking_)
        return;
    ticking_ = true;
    const auto done = qScopeGuard([this] { ticking_ = false; });
    Step([this] { services_.dialUp.Publish(); });
    Step([this] { monitor_.Timer1Timer(); });
    Step([this] { UpdateHistoryGroup(); });
    Step([this] { CheckLimitAlerts(); });
    Step([this] { CheckBeep(monitor_, services_.sounds); });
    Step([this] { view_.EndOfTick(); });
}

void AppController::Step(const std::function<void()>& step) {
    // An error of a part of the tick would come back at every tick: each is shown once while
    // the program runs.
    RunCatching(step, [this](const std::string& text) {
        if (tickErrorsShown_.insert(text).second)
            boxes_.Show(text, MsgIcon::Stop);
    });
}

void AppController::EnableTimer(bool enabled) {
    timerWanted_ = enabled;
    if (enabled && !starting_ && !exitStepsDone_)
        timer_->start();
    else
        timer_->stop();
}

void AppController::RunExitSteps() {
    if (exitStepsDone_)
        return;
    exitStepsDone_ = true;
    monitor_.CloseForExit();
    // No tick may run between the exit steps and the end of the process.
    timer_->stop();
}

bool AppController::ConfirmExit() {
    if (exitStepsDone_ || !monitor_.ConfirmExit())
        return false;
    exitStepsDone_ = true;
    timer_->stop();
    return true;
}

void AppController::UpdateHistoryGroup() {
    const MonitorState& s = monitor_.State();
    const TStamp today = clock_.Now();
    // Read again each day, and when a tool or a script changed the store.
    const int day = DayNumber(today);
    const std::int64_t version = store_.OutsideVersion(Root::LocalMachine);
    if (!counterDates_ || day != datesDay_ || version != datesVersion_) {
        counterDates_ = CounterTotals(store_).Since(true);
        datesDay_ = day;
        datesVersion_ = version;
    }
    view_.ShowHistoryGroup(
        FormatConnTime(s.AllTime),
        HistoryGroupFor(*counterDates_, today, s.AllTime, s.ResetPolicy, s.ResetDay));
    if (!limits_ || version != limitsVersion_) {
        limitSettings_ = Limits(store_).Read();
        limits_ = AmountsOf(limitSettings_);
        limitsVersion_ = version;
    }
    view_.ShowLimitFields(
        limits_->Money > 0 ? MoneyShareText(s.AllMoney, limits_->Money) : std::string(),
        limits_->Volume > 0 ? VolumeShareText(s.AllVolume.Total(), limits_->Volume)
                            : std::string());
}

void AppController::CheckLimitAlerts() {
    // Decided from the committed totals: a tick whose writes wait leaves it to a later one.
    if (alerting_ || !limits_ || !counterDates_ || monitor_.SavePending() ||
        (limits_->Money == 0 && limits_->Volume == 0))
        return;
    const MonitorState& s = monitor_.State();
    using namespace std::chrono;
    PeriodUse use;
    use.Money = s.AllMoney;
    use.Volume = s.AllVolume.Total();
    use.Since = year_month_day{year{counterDates_->Year},
                               month(static_cast<unsigned>(counterDates_->Month)),
                               day(static_cast<unsigned>(counterDates_->Day))};
    use.Today = DateOf(clock_.Now());
    alerting_ = true;
    const auto done = qScopeGuard([this] { alerting_ = false; });
    LimitAlerts alerts(store_);
    const bool canHangUp = services_.dialUp.CanHangUp();
    for (const LimitAlert& a : alerts.Due(limitSettings_, use)) {
        services_.notifications.Notify(a.Summary, a.Body,
                                       a.Critical ? Urgency::Critical : Urgency::Normal,
                                       a.Percent == limitSettings_.Warn2 && canHangUp);
        alerts.MarkGiven(a, use);
        if (a.HangUpNow && canHangUp)
            HangUpForLimit();
    }
}

void AppController::HangUpForLimit() {
    services_.dialUp.HangUp([this](const std::string& error) {
        // Said once; the alerts go on.
        if (error.empty() || hangUpRefusalSaid_)
            return;
        hangUpRefusalSaid_ = true;
        services_.notifications.Notify("Netrova: the connection was not hung up", error,
                                       Urgency::Critical, false);
    });
}

std::vector<std::string> AppController::LimitsPastWarning() const {
    std::vector<std::string> lines;
    if (!limits_)
        return lines;
    const MonitorState& s = monitor_.State();
    const auto cents = [](std::int64_t v) {
        return static_cast<std::uint64_t>(std::max<std::int64_t>(v, 0));
    };
    if (limits_->Money > 0 &&
        LimitPercent(cents(s.AllMoney), cents(limits_->Money)) >= limitSettings_.Warn1)
        lines.push_back(MoneyShareText(s.AllMoney, limits_->Money) + " (money limit)");
    if (limits_->Volume > 0 &&
        LimitPercent(s.AllVolume.Total(), limits_->Volume) >= limitSettings_.Warn1)
        lines.push_back(VolumeShareText(s.AllVolume.Total(), limits_->Volume) + " (data limit)");
    return lines;
}

} // namespace netrova
