// Writing a report from a large history, beside reading the same history raw and beside the
// floor: writing and syncing as many bytes as the report has, in the same run. The report
// streams the history, so its memory stays flat however long the history is. Then "Delete
// reports" of that report: the longest the event loop waits meanwhile (the files go on a worker
// thread) and how long until the count is told.
//
//   bench_report [records]     (default 1000000)
#include "StallMeter.h"
#include "platform/MessageBoxes.h"
#include "reports/Report.h"
#include "reports/ReportFiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace netrova;

namespace {

double Millis(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

// Written in blocks: one append per record would measure the disk's syncs, not the report.
bool WriteHistory(const std::string& programPath, long records) {
    std::vector<THistoryRecord> block(4096);
    for (std::size_t i = 0; i < block.size(); ++i) {
        THistoryRecord& r = block[i];
        r.Started = TStamp{2026, 12, 1, 7, 9, static_cast<std::uint16_t>(i % 60), 5, 0};
        r.Ended = TStamp{2026, 12, 1, 7, 10, 2, 40, 0};
        r.Fee = static_cast<std::int32_t>(i * 7);
        r.Duration = static_cast<std::int32_t>(i * 13);
        SetFieldText(r.Provider, i % 3 ? "My Provider" : "Провайдер с длинным именем");
        SetFieldText(r.TotalFeeText, "1234 dol. 56 c.");
        SetFieldText(r.User, i % 2 ? "alice" : "bob the builder");
    }
    const int fd = ::open(HistoryPath(programPath).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    for (long left = records; ok && left > 0;) {
        const long n = std::min<long>(left, static_cast<long>(block.size()));
        const auto bytes = static_cast<std::size_t>(n) * sizeof(THistoryRecord);
        ok = ::write(fd, block.data(), bytes) == static_cast<ssize_t>(bytes);
        left -= n;
    }
    // On disk before anything is timed: its write-back must not slow what is measured.
    ok = ok && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// The whole file read in large blocks, nothing done with it.
long RawRead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return -1;
    std::vector<char> buffer(1 << 16);
    long total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += n;
    ::close(fd);
    return total;
}

// The same number of bytes written in the report's block size and synced: what any report must
// cost. -1 when the file cannot be written. The file is left: freeing its blocks would slow
// what is timed next.
double WriteFloor(const std::string& path, long bytes) {
    const auto t0 = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return -1;
    const std::vector<char> block(1 << 16, '_');
    bool ok = true;
    for (long left = bytes; ok && left > 0;) {
        const auto n =
            static_cast<std::size_t>(std::min<long>(left, static_cast<long>(block.size())));
        ok = ::write(fd, block.data(), n) == static_cast<ssize_t>(n);
        left -= static_cast<long>(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    const double ms = Millis(t0);
    return ok ? ms : -1;
}

// Answers Yes, and ends the loop at the box that tells the count.
// Answers Yes; the count told afterwards ends the loop.
class AnswerYes : public MessageBoxes {
public:
    explicit AnswerYes(QEventLoop& loop) {
        SetNoticeLine([this, &loop](const std::string& text) {
            told = text;
            loop.quit();
        });
    }
    MsgResult Show(const std::string&, MsgIcon, MsgButtons, const std::string&) override {
        return MsgResult::Yes;
    }
    std::string told;
};

// The longest gap between two turns of the event loop from "Delete reports" until its count
// is told, and the whole time.
double DeleteStallMs(const std::string& programPath, double& totalMs, std::string& told) {
    QEventLoop loop;
    AnswerYes boxes(loop);
    QElapsedTimer total;
    bench::StallMeter stalls;
    QObject window;
    QTimer::singleShot(0, &window, [&] {
        total.start();
        stalls.Start();
        DeleteAllReports(boxes, programPath, &window);
    });
    loop.exec();
    totalMs = static_cast<double>(total.nsecsElapsed()) * 1e-6;
    told = boxes.told;
    return stalls.WorstMs();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long records = argc > 1 ? std::atol(argv[1]) : 1000000;
    QTemporaryDir dir;
    const std::string programPath = dir.path().toStdString();
    if (!dir.isValid() || !WriteHistory(programPath, records)) {
        std::fprintf(stderr, "cannot write the history in %s\n", programPath.c_str());
        return 1;
    }
    RawRead(HistoryPath(programPath)); // both runs find the file in the page cache

    auto t0 = std::chrono::steady_clock::now();
    const long bytes = RawRead(HistoryPath(programPath));
    const double raw = Millis(t0);

    // The floor once before and once after the report, so that neither gains from going first.
    const long reportBytes = (kReportWidth + 2) * (4 + 2 * records);
    const double floorBefore = WriteFloor(programPath + "/floor1", reportBytes);

    t0 = std::chrono::steady_clock::now();
    const ReportOutcome outcome = WriteReport(programPath, 2026, 12, 7);
    const double report = Millis(t0);
    if (!outcome.Written || bytes != records * static_cast<long>(sizeof(THistoryRecord))) {
        std::fprintf(stderr, "report not written: %s\n", outcome.Error.c_str());
        return 1;
    }
    const double floorAfter = WriteFloor(programPath + "/floor2", reportBytes);
    const double floor = (floorBefore + floorAfter) / 2;
    if (floorBefore < 0 || floorAfter < 0) {
        std::fprintf(stderr, "cannot write the floor file\n");
        return 1;
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "report %ld records: %.0f ms (raw read %.0f ms, write floor %.0f ms), peak RSS %.1f "
        "MB\n",
        records, report, raw, floor, static_cast<double>(usage.ru_maxrss) / 1024.0);
    std::fflush(stdout);

    double deleteMs = 0;
    std::string told;
    const double stall = DeleteStallMs(programPath, deleteMs, told);
    std::printf("delete reports: longest stall %.1f ms, told after %.0f ms: %s\n", stall, deleteMs,
                told.c_str());
    return 0;
}
