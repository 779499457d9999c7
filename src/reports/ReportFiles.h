#pragma once

#include <string>
#include <vector>

class QObject;

namespace netrova {

class MessageBoxes;

// The report files are the "*.rpt" files of the folder ReportsPath(programPath).

// Creates the reports folder when it is missing (one level; a failure leaves it missing).
// Nothing happens while the program directory is still unknown.
void PrepareReportsFolder(const std::string& programPath);

// Names (without folder) of the ordinary "*.rpt" files in date order: numbers in a name compare
// by value (2026-8-1.rpt before 2026-10-1.rpt), the rest without regard to case.
std::vector<std::string> ListReports(const std::string& programPath);

struct DeletedReports {
    int Deleted = 0;
    int Kept = 0; // could not be deleted
};

// Deletes every "*.rpt" regular file and symbolic link (the link, not its target) of the
// folder, skipping those that cannot be deleted; other kinds of file, other names and other
// folders are never touched. Says how many were deleted and how many not.
DeletedReports DeleteReports(const std::string& programPath);

// Removes the hidden temporaries (".<name>.rpt.XXXXXX") that reports cut off by a crash or a
// kill left behind. Only while no report is being written.
void RemoveReportTemporaries(const std::string& programPath);

// The "&Delete reports" command: asks, and on Yes deletes the reports off the window's thread (a
// report may be gigabytes) and then tells how many went, on context's thread while context
// lives (boxes must live as long). The deleting goes on to its end even when the window is
// closed meanwhile.
void DeleteAllReports(MessageBoxes& boxes, const std::string& programPath, QObject* context);

} // namespace netrova
