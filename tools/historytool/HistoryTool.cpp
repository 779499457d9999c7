#include "historytool/HistoryTool.h"

#include "historytool/HistoryExport.h"

#include "common/CommandLine.h"
#include "common/Text.h"
#include "history/FileWrite.h"
#include "store/Registry.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sys/stat.h>

namespace netrova {

const char* const kHistoryToolUsage =
    "usage: netrova-history list    [FILTERS] [--file PATH]\n"
    "       netrova-history export  --format csv|json [FILTERS] [--file PATH]\n"
    "       netrova-history summary --by day|month|provider|user [FILTERS] [--file PATH]\n"
    "       netrova-history --help | --version\n"
    "FILTERS: --from DATE  --to DATE  (YYYY-MM-DD, the day a connection started, both "
    "included)\n"
    "         --user NAME  --provider NAME  (exact names)\n"
    "list prints an aligned table; export writes CSV (with a header row) or JSON Lines;\n"
    "summary prints connections, time, fee and volume per group and a total line with the\n"
    "forecast for the next counter reset, then a line per money or data limit set: used so\n"
    "far and the day it is reached at the period's pace. The history is the program's history.dat, "
    "found\n"
    "through the settings store (NETROVA_USER_STORE, NETROVA_MACHINE_STORE), unless --file\n"
    "names one; the volume comes from volume.dat beside it (a dash when unknown).\n"
    "Exit status: 0 done, 1 the history cannot be read, 2 bad arguments, 3 the settings store\n"
    "stayed busy.\n";

namespace {

constexpr const char* kName = "netrova-history: ";

struct Command {
    std::string Name; // list, export, summary
    std::optional<std::string> File;
    std::string Format; // csv, json
    GroupBy By = GroupBy::Day;
    HistoryFilter Filter;
};

// Parses the arguments into cmd; returns the problem, or "" when they are good.
std::string Parse(const std::vector<std::string>& args, Command& cmd, CommandLineAsk& ask) {
    static const char* const kOptions[] = {"file",     "from",   "to", "user",
                                           "provider", "format", "by"};
    QCommandLineParser parser;
    for (const char* name : kOptions)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("x")));
    std::string problem;
    const auto asked = ParseCommandLine(parser, args, problem);
    if (!asked)
        return problem;
    ask = *asked;
    if (ask != CommandLineAsk::Run)
        return {};
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return "no command: list, export or summary";
    cmd.Name = ArgumentText(words[0]);
    if (cmd.Name != "list" && cmd.Name != "export" && cmd.Name != "summary")
        return "unknown command \"" + cmd.Name + "\"";
    if (words.size() > 1)
        return "unexpected argument \"" + ArgumentText(words[1]) + "\"";
    std::map<std::string, std::string> given;
    for (const char* name : kOptions) {
        const QStringList values = parser.values(QString::fromLatin1(name));
        const std::string option = std::string("--") + name;
        if (values.size() > 1)
            return option + " is given twice";
        if (!values.isEmpty())
            given[option] = ArgumentText(values[0]);
    }

    auto take = [&](const char* option) -> std::optional<std::string> {
        const auto it = given.find(option);
        if (it == given.end())
            return std::nullopt;
        std::string value = it->second;
        given.erase(it);
        return value;
    };
    cmd.File = take("--file");
    if (cmd.File && cmd.File->empty())
        return "--file needs a path";
    auto date = [&](const char* option, std::optional<int>& day) -> std::string {
        if (const auto text = take(option)) {
            day = ParseDate(*text);
            if (!day)
                return std::string(option) + " needs a date as YYYY-MM-DD: \"" + *text + "\"";
        }
        return {};
    };
    for (const std::string& dateProblem :
         {date("--from", cmd.Filter.FromDay), date("--to", cmd.Filter.ToDay)})
        if (!dateProblem.empty())
            return dateProblem;
    if (cmd.Filter.FromDay && cmd.Filter.ToDay && *cmd.Filter.FromDay > *cmd.Filter.ToDay)
        return "--from is after --to";
    cmd.Filter.User = take("--user");
    cmd.Filter.Provider = take("--provider");

    if (cmd.Name == "export") {
        const auto format = take("--format");
        if (!format)
            return "export needs --format csv or --format json";
        if (*format != "csv" && *format != "json")
            return "unknown format \"" + *format + "\": csv or json";
        cmd.Format = *format;
    } else if (cmd.Name == "summary") {
        const auto by = take("--by");
        if (!by)
            return "summary needs --by day, month, provider or user";
        static const std::map<std::string, GroupBy> kGroups = {{"day", GroupBy::Day},
                                                               {"month", GroupBy::Month},
                                                               {"provider", GroupBy::Provider},
                                                               {"user", GroupBy::User}};
        const auto it = kGroups.find(*by);
        if (it == kGroups.end())
            return "unknown grouping \"" + *by + "\": day, month, provider or user";
        cmd.By = it->second;
    }
    if (!given.empty())
        return given.begin()->first + " does not go with " + cmd.Name;
    return {};
}

// The history file as the command reads it.
class Source {
public:
    Source(std::string path, std::ostream& err) : path_(std::move(path)), err_(err) {}

    // Checks that the file can be read and reports a torn last record; false when it cannot
    // be read. A missing history.dat of the program is an empty history: the file appears
    // with the first finished connection.
    bool Open(bool missingIsEmpty) {
        // Without blocking, and only a regular file: a FIFO given as the file must not hang
        // the tool.
        FileError why;
        const FileHandle file = OpenHistoryFile(path_, O_RDONLY, false, nullptr, why);
        if (!file) {
            if (why.Failed())
                return Fail(why.text);
            if (missingIsEmpty && FolderExists())
                return true;
            return Fail(std::strerror(ENOENT));
        }
        struct stat st {};
        if (::fstat(file.get(), &st) != 0)
            return Fail(std::strerror(errno));
        const auto size = static_cast<std::uint64_t>(st.st_size);
        whole_ = size / sizeof(THistoryRecord);
        if (const auto torn = size % sizeof(THistoryRecord))
            err_ << kName << path_ << ": the last record is incomplete (" << torn << " of "
                 << sizeof(THistoryRecord) << " bytes); it is skipped\n";
        return true;
    }

    // Visits the records that were whole when the file was opened; records appended since are
    // left for the next run. False on a read error.
    // Each record comes with its volume from volume.dat beside the file (nothing when unknown).
    template <typename Visit> bool Scan(Visit&& visit) {
        std::uint64_t seen = 0;
        std::vector<VolumeRecord> volumes(kVolumeBlock);
        if (whole_ > 0)
            ScanHistoryFile(path_, [&](const THistoryRecord& r) {
                const std::size_t at = seen % kVolumeBlock;
                if (at == 0)
                    ReadVolumeRecords(Folder(), seen, volumes.data(), kVolumeBlock);
                visit(r, VolumeFor(r, volumes[at]));
                return ++seen < whole_;
            });
        if (seen < whole_)
            return Fail("only " + std::to_string(seen) + " of " + std::to_string(whole_) +
                        " records could be read");
        return true;
    }

private:
    static constexpr std::size_t kVolumeBlock = 4096;

    std::string Folder() const {
        const std::size_t slash = path_.rfind('/');
        return slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    }

    bool FolderExists() const {
        struct stat st {};
        return ::stat(Folder().c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    bool Fail(const std::string& why) {
        err_ << kName << "cannot read the history " << path_ << ": " << why << "\n";
        return false;
    }

    std::string path_;
    std::ostream& err_;
    std::uint64_t whole_ = 0;
};

// Lines are gathered and written in large blocks: export writes a million lines.
class Output {
public:
    explicit Output(std::ostream& out)
        : out_(out), buffer_(std::make_unique<char[]>(kBlock + kExportLineMax)) {}

    // Room for one export line at the end of the buffer; Done takes the line's end.
    char* Room() { return buffer_.get() + used_; }
    void Done(char* end) {
        used_ = static_cast<std::size_t>(end - buffer_.get());
        if (used_ >= kBlock)
            Flush();
    }

    void Write(std::string_view text) {
        if (used_ + text.size() > kBlock) {
            Flush();
            if (text.size() > kBlock) {
                out_.write(text.data(), static_cast<std::streamsize>(text.size()));
                return;
            }
        }
        std::memcpy(buffer_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }

    bool Finish() {
        Flush();
        out_.flush();
        return out_.good();
    }

private:
    void Flush() {
        out_.write(buffer_.get(), static_cast<std::streamsize>(used_));
        used_ = 0;
    }

    static constexpr std::size_t kBlock = 1 << 16;
    std::ostream& out_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

void Widen(std::vector<std::size_t>& widths, const std::vector<std::string>& cells) {
    widths.resize(std::max(widths.size(), cells.size()));
    for (std::size_t i = 0; i < cells.size(); ++i)
        widths[i] = std::max(widths[i], TextWidth(cells[i]));
}

void List(Source& source, const HistoryFilter& filter, Output& out, bool& ok) {
    // Two passes keep memory flat: the first measures the columns, the second prints.
    const std::vector<bool> right = ListRightAligned();
    std::vector<std::size_t> widths;
    Widen(widths, ListHeader());
    ok = source.Scan([&](const THistoryRecord& r, const std::optional<Volume>& volume) {
        if (filter.Matches(r))
            Widen(widths, ListCells(r, volume));
    });
    if (!ok)
        return;
    out.Write(AlignedLine(ListHeader(), widths, right) + "\n");
    ok = source.Scan([&](const THistoryRecord& r, const std::optional<Volume>& volume) {
        if (!filter.Matches(r))
            return;
        out.Write(AlignedLine(ListCells(r, volume), widths, right) + "\n");
    });
}

void Export(Source& source, const Command& cmd, Output& out, std::ostream& err, bool& ok) {
    const bool csv = cmd.Format == "csv";
    if (csv)
        out.Write(kCsvHeader);
    std::uint64_t number = 0; // of the record in the file, from 1
    ok = source.Scan([&](const THistoryRecord& r, const std::optional<Volume>& volume) {
        ++number;
        if (!cmd.Filter.Matches(r))
            return;
        if (!IsPossibleStamp(r.Started) || !IsPossibleStamp(r.Ended))
            err << kName << "record " << number
                << " holds a date or time that cannot be; it is exported empty\n";
        out.Done(csv ? PutCsvLine(r, volume, out.Room()) : PutJsonLine(r, volume, out.Room()));
    });
}

void Summary(Source& source, const Command& cmd, const HistoryToolHooks& hooks, Output& out,
             std::ostream& err, bool& ok) {
    HistorySummary summary(cmd.By);
    ok = source.Scan([&](const THistoryRecord& r, const std::optional<Volume>& volume) {
        if (cmd.Filter.Matches(r))
            summary.Add(r, volume);
    });
    if (!ok)
        return;
    static const char* const kTitles[] = {"Day", "Month", "Provider", "User"};
    const std::vector<std::string> header = {
        kTitles[static_cast<int>(cmd.By)], "Connections", "Time", "Fee", "Received", "Sent"};
    auto row = [](const GroupTotals& g) {
        return std::vector<std::string>{
            ShownText(g.Name),
            std::to_string(g.Connections),
            FormatDuration(g.Time),
            FormatMoney(g.Fee),
            FormatVolume(g.Bytes ? std::optional(g.Bytes->Received) : std::nullopt),
            FormatVolume(g.Bytes ? std::optional(g.Bytes->Sent) : std::nullopt)};
    };
    // The groups twice, one at a time: first for the columns' widths, then printed.
    std::vector<std::size_t> widths;
    Widen(widths, header);
    Widen(widths, row(summary.Total()));
    // The last column is padded on the total line too, so that the forecast stands apart.
    const std::vector<bool> right = {false, true, true, true, true, true};
    ok = summary.ForEachGroup([&](const GroupTotals& g) { Widen(widths, row(g)); });
    if (ok) {
        out.Write(AlignedLine(header, widths, right) + "\n");
        ok = summary.ForEachGroup(
            [&](const GroupTotals& g) { out.Write(AlignedLine(row(g), widths, right) + "\n"); });
    }
    if (!ok) {
        err << kName << "cannot read back the summary's scratch file\n";
        return;
    }
    std::string total = AlignedLine(row(summary.Total()), widths, right);
    if (hooks.Forecast) {
        if (const std::string forecast = hooks.Forecast(); !forecast.empty())
            total += "  " + forecast;
    }
    out.Write(total + "\n");
    if (hooks.Limits) {
        if (const std::string limits = hooks.Limits(); !limits.empty())
            out.Write(limits + "\n");
    }
}

} // namespace

int RunHistoryTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const HistoryToolHooks& hooks) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << kHistoryToolUsage;
            return kExitOk;
        }
    }
    Command cmd;
    CommandLineAsk ask = CommandLineAsk::Run;
    if (const std::string problem = Parse(args, cmd, ask); !problem.empty()) {
        err << BadArgumentsText("netrova-history", problem);
        return kExitBadArguments;
    }
    if (ask == CommandLineAsk::Version) {
        out << VersionText("netrova-history");
        return kExitOk;
    }

    std::string path;
    if (cmd.File) {
        path = *cmd.File;
    } else {
        try {
            path = hooks.HistoryFile();
        } catch (const StoreBusyError& e) {
            err << kName << e.what() << "\n";
            return kExitStoreBusy;
        } catch (const std::exception& e) {
            err << kName << e.what() << "\n";
            return kExitError;
        }
    }
    Source source(path, err);
    if (!path.empty() && !source.Open(!cmd.File))
        return kExitError;

    Output output(out);
    bool ok = true;
    if (cmd.Name == "list")
        List(source, cmd.Filter, output, ok);
    else if (cmd.Name == "export")
        Export(source, cmd, output, err, ok);
    else
        Summary(source, cmd, hooks, output, err, ok);
    if (!ok)
        return kExitError;
    if (!output.Finish()) {
        err << kName << "cannot write the output\n";
        return kExitError;
    }
    return kExitOk;
}

} // namespace netrova
