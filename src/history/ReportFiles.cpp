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
        // A folder named like a report is no report: remove() would take an empty one.
        if (!entry.is_directory(error) && fs::remove(entry.path(), error))
            ++deleted;
    });
    return deleted;
}

void DeleteAllReports(MessageBoxes& boxes, const std::string& programPath) {
    if (boxes.Show("Are you sure to delete all reports ?", MsgIcon::Question,
                   MsgButtons::YesNoDefaultNo) != MsgResult::Yes)
        return;
    DeleteReports(programPath);
}

} // namespace netrova
