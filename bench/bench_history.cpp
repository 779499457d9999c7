// Cost of loading the history into the connections browser's model (and sorting it by provider
// and by volume received)
// and into the statistics, against the bare read of the file, for 10^4, 10^5 and 10^6 records;
// with the longest stretch of the browser's work between two of its pauses (where a window lets
// its event loop run) and the peak memory.
//
//   bench_history [largest-count]     (default 1000000; 1e7 is taken too)
#include "HistoryWriter.h"
#include "browser/ConnectionRows.h"
#include "browser/ConnectionsModel.h"
#include "history/HistoryFile.h"
#include "statistics/UserStatistics.h"
#include "statistics/UsersModel.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace netrova;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The bare scan: every record read, one field touched.
double RawReadMs(const std::string& programPath) {
    const auto start = Clock::now();
    std::int64_t sum = 0;
    ScanHistory(programPath, [&](const THistoryRecord& r) {
        sum += r.Fee;
        return true;
    });
    const double ms = MsSince(start);
    if (sum == -1)
        std::puts("");
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double asked = argc > 1 ? std::strtod(argv[1], nullptr) : 1e6;
    const int largest = asked >= 1 && asked <= 2e9 ? static_cast<int>(asked) : 0;
    if (largest <= 0) {
        std::fprintf(stderr, "usage: bench_history [largest-count]\n");
        return 2;
    }
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString();
    const TStamp today{2026, 7, 0, 5, 12, 0, 0, 0};

    for (int count = 10000; count <= largest; count *= 10) {
        if (!bench::WriteHistory(path, count)) {
            std::fprintf(stderr, "cannot write %s\n", HistoryPath(path).c_str());
            return 1;
        }
        RawReadMs(path); // warms the page cache, as a history in use would be
        const double raw = RawReadMs(path);

        double browser = 0;
        double sorted = 0;
        double sortedByVolume = 0;
        double stall = 0;
        {
            ConnectionsModel model;
            Figures figures;
            auto last = Clock::now();
            const auto pause = [&] {
                stall = std::max(stall, MsSince(last));
                model.Publish();
                last = Clock::now();
                return true;
            };
            const auto start = Clock::now();
            FillTable(path, BrowserView::AllDays, today, model.Rows(), figures, pause);
            model.Publish();
            browser = MsSince(start);
            stall = std::max(stall, MsSince(last));
            if (model.rowCount() != count)
                std::fprintf(stderr, "browser: %d rows of %d\n", model.rowCount(), count);
            // The rows a window shows first, read on demand.
            for (int row = 0; row < 20; ++row)
                for (int c = 0; c < kTableColumnCount; ++c)
                    model.index(row, c).data();
            SortState sort{tcProvider, true};
            last = Clock::now();
            const auto sortStart = last;
            model.Sort(sort, pause);
            sorted = MsSince(sortStart);
            stall = std::max(stall, MsSince(last));
            // Volumes sort by 64-bit keys, read from volume.dat beside the history.
            sort = {tcReceived, true};
            last = Clock::now();
            const auto volumeStart = last;
            model.Sort(sort, pause);
            sortedByVolume = MsSince(volumeStart);
            stall = std::max(stall, MsSince(last));
        }
        std::printf("browser %d records: %.0f ms, sort %.0f ms, by volume %.0f ms (raw read %.0f "
                    "ms), longest stall %.0f ms, peak RSS %.0f MB\n",
                    count, browser, sorted, sortedByVolume, raw, stall, PeakRssMb());

        const double raw2 = RawReadMs(path);
        const auto start = Clock::now();
        std::vector<UserTotals> users;
        SumUsers(path, users);
        const double statistics = MsSince(start);
        std::printf("statistics %d records: %.0f ms (raw read %.0f ms)\n", count, statistics, raw2);

        if (count > largest / 10)
            break;
    }
    return 0;
}
