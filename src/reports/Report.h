#pragma once

#include "history/HistoryFile.h"

#include <atomic>
#include <cstddef>
#include <string>

namespace netrova {

class MessageBoxes;

// Every line of a report is this many characters before its CR LF.
inline constexpr int kReportWidth = 140;

// 1999, 7, 4 -> "1999-7-4.rpt"
std::string ReportFileName(int year, int month, int day);

// The four head lines, each with its CR LF.
std::string ReportHead();

// One record's data row: kReportWidth characters of UTF-8, without the line end. Columns count
// characters, so the "|" stay in place whatever the names hold.
std::string ReportRow(const THistoryRecord& record);

// How far a report has come; read by another thread while the report is written.
struct ReportProgress {
    std::atomic<std::size_t> Done{0};  // records written
    std::atomic<std::size_t> Total{0}; // records in the history when the report began
};

struct ReportOutcome {
    bool Written = false;    // written, on disk and under its name
    std::string Path;        // the report's file
    std::string Error;       // why not, when not written
    std::size_t Records = 0; // records the report holds
    bool Replaced = false;   // it took the place of an earlier report of that day
};

// What "Create report" tells: the report's file and how many connections it holds (with the
// information icon), or why it could not be written (with the stop icon).
void TellReport(MessageBoxes& boxes, const ReportOutcome& outcome);

// Writes the report of the whole history into "<programPath>/Reports/<y-m-d>.rpt", creating the
// folder when missing. The report is written beside and then renamed over an older one, so an
// earlier report of that day survives a report that cannot be finished; temporaries left by an
// interrupted earlier report are removed first. Safe to run on another thread while the
// history is appended to.
ReportOutcome WriteReport(const std::string& programPath, int year, int month, int day,
                          ReportProgress* progress = nullptr);

// WriteReport, telling only whether the report was written.
bool CreateReport(const std::string& programPath, int year, int month, int day);

// Where a report is written. This one writes it in the caller's thread; the main window's
// writes it on a worker thread and shows that it is busy.
class ReportRunner {
public:
    virtual ~ReportRunner() = default;
    virtual ReportOutcome Run(const std::string& programPath, int year, int month, int day);
};

} // namespace netrova
