#pragma once

#include <string>
#include <vector>

namespace netrova {

class MessageBoxes;

// The report files are the "*.rpt" files of the folder ReportsPath(programPath).

// Creates the reports folder when it is missing (one level; a failure leaves it missing).
// Nothing happens while the program directory is still unknown.
void PrepareReportsFolder(const std::string& programPath);

// Names (without folder) of the ordinary "*.rpt" files, sorted without regard to case.
std::vector<std::string> ListReports(const std::string& programPath);

// Deletes every "*.rpt" regular file and symbolic link (the link, not its target) of the
// folder, skipping those that cannot be deleted; other kinds of file, other names and other
// folders are never touched. Returns how many were deleted.
int DeleteReports(const std::string& programPath);

// Removes the hidden temporaries (".<name>.rpt.XXXXXX") that reports cut off by a crash or a
// kill left behind. Only while no report is being written.
void RemoveReportTemporaries(const std::string& programPath);

// The "&Delete reports" command: asks, and deletes the reports when the answer is Yes.
void DeleteAllReports(MessageBoxes& boxes, const std::string& programPath);

} // namespace netrova
