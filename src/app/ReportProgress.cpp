#include "app/ReportProgress.h"

#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace netrova {

namespace {
constexpr int kShowAfterMs = 1000;
constexpr int kPollMs = 100;
constexpr int kSteps = 1000;
} // namespace

ReportOutcome ReportProgressRunner::Run(const std::string& programPath, int year, int month,
                                        int day) {
    ReportOutcome outcome;
    if (busy_) {
        outcome.Path = ReportsPath(programPath) + "/" + ReportFileName(year, month, day);
        outcome.Error = "another report is being written";
        return outcome;
    }
    busy_ = true;
    ReportProgress progress;
    const std::unique_ptr<QThread> worker(
        QThread::create([&] { outcome = WriteReport(programPath, year, month, day, &progress); }));

    QApplication::setOverrideCursor(Qt::BusyCursor);
    QProgressDialog box(parent_);
    box.setObjectName(QStringLiteral("ReportProgress"));
    box.setWindowTitle(QString::fromLatin1(kBoxCaption));
    box.setLabelText(QStringLiteral("Writing the report %1 ...")
                         .arg(QString::fromStdString(ReportFileName(year, month, day))));
    box.setCancelButton(nullptr);
    box.setWindowModality(Qt::ApplicationModal);
    box.setAutoClose(false);
    box.setAutoReset(false);
    box.setRange(0, kSteps);
    box.setMinimumDuration(kShowAfterMs);
    box.setValue(0); // starts the box's own timer: shown only past kShowAfterMs

    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, &box, [&] {
        if (worker->isFinished())
            loop.quit(); // in case its finished signal came before the loop ran
        const std::size_t total = progress.Total;
        if (total > 0)
            box.setValue(static_cast<int>(
                std::min<std::size_t>(kSteps - 1, progress.Done * kSteps / total)));
    });
    worker->start();
    poll.start();
    loop.exec();
    // The loop also ends when the application quits: the report is finished all the same.
    worker->wait();
    poll.stop();
    QApplication::restoreOverrideCursor();
    busy_ = false;
    return outcome;
}

} // namespace netrova
