#include "history/ReportFiles.h"

#include "history/HistoryFile.h"
#include "platform/MessageBoxes.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
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

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return std::tolower(c); };
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) == lower(y); });
    if (ia == a.end() || ib == b.end())
        // One is a prefix of the other without regard to case; names differing only in case
        // keep a fixed order.
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    return lower(*ia) < lower(*ib);
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
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}

int DeleteReports(const std::string& programPath) {
    int deleted = 0;
    ForEachReport(programPath, [&](const fs::directory_entry& entry) {
        std::error_code error;
        // Only files and links, never what a link points to: a folder, a FIFO or a device
        // named like a report is no report.
        const fs::file_type type = entry.symlink_status(error).type();
        if ((type == fs::file_type::regular || type == fs::file_type::symlink) &&
            fs::remove(entry.path(), error))
            ++deleted;
    });
    return deleted;
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

void DeleteAllReports(MessageBoxes& boxes, const std::string& programPath) {
    if (boxes.Show("Are you sure to delete all reports ?", MsgIcon::Question,
                   MsgButtons::YesNoDefaultNo) != MsgResult::Yes)
        return;
    DeleteReports(programPath);
}

} // namespace netrova
