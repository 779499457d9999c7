// Writing a report from a large history, beside reading the same history raw. The report
// streams the history, so its memory stays flat however long the history is.
//
//   bench_report [records]     (default 1000000)
#include "history/Report.h"

#include <QTemporaryDir>

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

} // namespace

int main(int argc, char** argv) {
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

    t0 = std::chrono::steady_clock::now();
    const bool written = CreateReport(programPath, 2026, 12, 7);
    const double report = Millis(t0);
    if (!written || bytes != records * static_cast<long>(sizeof(THistoryRecord))) {
        std::fprintf(stderr, "report not written\n");
        return 1;
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("report %ld records: %.0f ms (raw read %.0f ms), peak RSS %.1f MB\n", records,
                report, raw, static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
