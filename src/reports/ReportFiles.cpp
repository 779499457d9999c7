#include "reports/ReportFiles.h"

#include "common/Text.h"
#include "history/HistoryFile.h"
#include "platform/MessageBoxes.h"
#include "platform/OffThread.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace netrova {

namespace {

bool IsReportName(const std::string& name) {
    static constexpr std::string_view kExtension = ".rpt";
    return name.size() >= kExtension.size() &&
           name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) == 0;
}

// Calls visit for each "*.rpt" entry of the reports folder, in directory order.
template <class Visit> void ForEachReport(const std::string& programPath, Visit visit) {
    if (programPath.empty())
        return;
    std::error_code error;
    fs::directory_iterator it(ReportsPath(programPath), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        if (IsReportName(it->path().filename().string()))
            visit(*it);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The run of digits from at on, without its leading zeros; at moves past it.
std::string_view Number(std::string_view text, std::size_t& at) {
    const std::size_t start = at;
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    std::string_view digits = text.substr(start, at - start);
    while (digits.size() > 1 && digits.front() == '0')
        digits.remove_prefix(1);
    return digits;
}

// <0, 0, >0 as a comes before, with or after b in the reports' order.
int CompareNames(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::string_view x = Number(a, i), y = Number(b, j);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0)
                return c;
            continue;
        }
        const auto x = static_cast<unsigned char>(FoldAscii(a[i++]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[j++]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return (i < a.size()) - (j < b.size());
}

bool ReportNameLess(const std::string& a, const std::string& b) {
    // Names alike but for case or leading zeros keep a fixed order.
    const int c = CompareNames(a, b);
    return c != 0 ? c < 0 : a < b;
}

// "3 reports were deleted.", with those that could not be.
std::string DeletedReportsText(const DeletedReports& d) {
    const auto reports = [](int n) {
        return std::to_string(n) + (n == 1 ? " report" : " reports");
    };
    std::string text = d.Deleted == 0 && d.Kept == 0 ? "There were no reports to delete."
                       : d.Deleted == 1              ? "1 report was deleted."
                                                     : reports(d.Deleted) + " were deleted.";
    if (d.Kept > 0)
        text += " " + reports(d.Kept) + " could not be deleted.";
    return text;
}

} // namespace

void PrepareReportsFolder(const std::string& programPath) {
    if (programPath.empty())
        return;
    std::error_code error;
    fs::create_directory(ReportsPath(programPath), error);
}

std::vector<std::string> ListReports(const std::string& programPath) {
    std::vector<std::string> names;
    ForEachReport(programPath, [&](const fs::directory_entry& entry) {
        std::error_code error;
        if (entry.is_regular_file(error))
            names.push_back(entry.path().filename().string());
    });
    std::sort(names.begin(), names.end(), ReportNameLess);
    return names;
}

DeletedReports DeleteReports(const std::string& programPath) {
    DeletedReports done;
    ForEachReport(programPath, [&](const fs::directory_entry& entry) {
        std::error_code error;
        // Only files and links, never what a link points to: a folder, a FIFO or a device
        // named like a report is no report.
        const fs::file_type type = entry.symlink_status(error).type();
        if (type != fs::file_type::regular && type != fs::file_type::symlink)
            return;
        ++(fs::remove(entry.path(), error) ? done.Deleted : done.Kept);
    });
    return done;
}

void RemoveReportTemporaries(const std::string& programPath) {
    if (programPath.empty())
        return;
    static constexpr std::string_view kMiddle = ".rpt.";
    constexpr std::size_t kSuffix = kMiddle.size() + 6; // mkstemp's six characters
    std::error_code error;
    fs::directory_iterator it(ReportsPath(programPath), error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code kind;
        if (name.size() > kSuffix + 1 && name[0] == '.' &&
            name.compare(name.size() - kSuffix, kMiddle.size(), kMiddle) == 0 &&
            it->symlink_status(kind).type() == fs::file_type::regular)
            fs::remove(it->path(), kind);
    }
}

void DeleteAllReports(MessageBoxes& boxes, const std::string& programPath, QObject* context) {
    if (boxes.Show("Are you sure to delete all reports ?", MsgIcon::Question,
                   MsgButtons::YesNoDefaultNo) != MsgResult::Yes)
        return;
    RunOffThread(
        context, [programPath] { return DeleteReports(programPath); },
        [&boxes](const DeletedReports& deleted) { boxes.Notice(DeletedReportsText(deleted)); });
}

} // namespace netrova
