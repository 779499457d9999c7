// Cost of exporting a large history: netrova-history export --format csv of a million records,
// run as the user runs it (output to /dev/null), against a plain read of the same file. Both
// read from the page cache; the best of three runs counts. Peak RSS is the tool's own. Then
// summary --by day of the same history, whose days (one per 40 records) grow with it: its peak
// RSS stays flat all the same.
//
//   bench_history_export [records]     (default 1000000)
#include "common/Text.h"
#include "history/HistoryFile.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace netrova;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Written in blocks: the program's own writer syncs every record, which is right for the
// program and far too slow for a million.
bool WriteHistory(const std::string& path, int records) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const char* providers[] = {"My Provider", "Sky, Net",
                               ("\xC3\x9C"
                                "bernet \"Fast\"")}; // one name: the escape ends before the b
    const char* users[] = {"Default", "anna", "J\xC3\xBCrgen"};
    std::vector<THistoryRecord> block(4096);
    std::int32_t total = 0;
    for (int i = 0; i < records;) {
        std::size_t n = 0;
        for (; n < block.size() && i < records; ++n, ++i) {
            THistoryRecord& r = block[n];
            r = THistoryRecord{};
            r.Started = StampOf(DaysOf(DayNumber(1999, 1, 1) + i / 40));
            r.Started.Hour = std::uint16_t(i % 24);
            r.Started.Minute = std::uint16_t(i % 60);
            r.Ended = r.Started;
            r.Ended.Second = 59;
            r.Duration = 60 + i % 7200;
            r.Fee = i % 500;
            total += r.Fee;
            SetFieldText(r.Provider, providers[i % 3]);
            SetFieldText(r.TotalFeeText, FormatMoney(total));
            SetFieldText(r.User, users[i % 3]);
        }
        if (std::fwrite(block.data(), sizeof(THistoryRecord), n, f) != n)
            return false;
    }
    return std::fclose(f) == 0;
}

double RawRead(const std::string& path) {
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(1 << 20);
    unsigned long long sum = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer.data(), buffer.size())) > 0)
        sum += static_cast<unsigned char>(buffer[static_cast<std::size_t>(n) - 1]);
    ::close(fd);
    const double ms = MsSince(start);
    if (sum == 1)
        std::puts(""); // keeps the reads from being optimised away
    return ms;
}

// Runs the tool with the arguments and --file path, its output thrown away; returns the wall
// time, and its peak RSS in KiB and its CPU time.
double RunTool(std::vector<const char*> args, const std::string& path, long& peakKiB,
               double& cpuMs) {
    args.insert(args.begin(), "netrova-history");
    args.insert(args.end(), {"--file", path.c_str(), nullptr});
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(NETROVA_HISTORY_TOOL, const_cast<char* const*>(args.data()));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double ms = MsSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "netrova-history failed (status %d)\n", status);
        std::exit(1);
    }
    peakKiB = std::max(peakKiB, usage.ru_maxrss);
    const auto toMs = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    cpuMs = std::min(cpuMs, toMs(usage.ru_utime) + toMs(usage.ru_stime));
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (records <= 0) {
        std::fprintf(stderr, "usage: bench_history_export [records]\n");
        return 2;
    }
    QTemporaryDir dir;
    const std::string path = HistoryPath(dir.path().toStdString());
    if (!dir.isValid() || !WriteHistory(path, records)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    RawRead(path); // into the page cache
    double raw = 1e300, exported = 1e300, cpu = 1e300;
    long peakKiB = 0;
    for (int i = 0; i < 3; ++i) {
        raw = std::min(raw, RawRead(path));
        exported = std::min(exported, RunTool({"export", "--format", "csv"}, path, peakKiB, cpu));
    }
    std::printf("export %d records: %.0f ms (raw read %.0f ms), peak RSS %.1f MB\n", records,
                exported, raw, static_cast<double>(peakKiB) / 1024.0);
    // Wall time depends on what else the machine does; the tool's CPU time much less.
    std::printf("export CPU time %.0f ms (user and system)\n", cpu);

    long summaryKiB = 0;
    double summaryCpu = 1e300;
    const double summary = RunTool({"summary", "--by", "day"}, path, summaryKiB, summaryCpu);
    std::printf("summary --by day %d records (%d days): %.0f ms, peak RSS %.1f MB\n", records,
                (records + 39) / 40, summary, static_cast<double>(summaryKiB) / 1024.0);
    return 0;
}
