#pragma once

#include "history/HistoryFile.h"

#include <string>

namespace netrova {

// Every line of a report is this many characters before its CR LF.
inline constexpr int kReportWidth = 140;

// 1999, 7, 4 -> "1999-7-4.rpt"
std::string ReportFileName(int year, int month, int day);

// The four head lines, each with its CR LF.
std::string ReportHead();

// One record's data row: kReportWidth characters of UTF-8, without the line end. Columns count
// characters, so the "|" stay in place whatever the names hold.
std::string ReportRow(const THistoryRecord& record);

// Writes the report of the whole history into "<programPath>/Reports/<y-m-d>.rpt", creating the
// folder when missing. The report is written beside and then renamed over an older one, so an
// earlier report of that day survives a report that cannot be finished. Returns whether the
// report was written; the program's callers go on either way and show nothing.
bool CreateReport(const std::string& programPath, int year, int month, int day);

} // namespace netrova
