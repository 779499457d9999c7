#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace netrova {

// The netrova-history command line: list, export and summary of the history file.

extern const char* const kHistoryToolUsage;

// What the tool takes from the settings store; both are asked for only when needed.
struct HistoryToolHooks {
    // The program's history.dat, used when --file is not given; "" when there is no store yet
    // (a new user: no history either). Throws std::exception naming the problem when the store
    // cannot be read, StoreBusyError when it stayed busy.
    std::function<std::string()> HistoryFile;
    // The forecast for the summary's total line; "" when there is none.
    std::function<std::string()> Forecast;
    // The lines after the total line about the period's limits, one per set limit; "" when
    // none is set.
    std::function<std::string()> Limits;
};

// Runs one command line (without the program name) and returns the exit code: 0 done, 1 the
// history (or the output) could not be read (written), 2 bad arguments, 3 the store stayed busy.
// Problems go to err, each naming what went wrong; a torn last record is reported there and
// skipped.
int RunHistoryTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const HistoryToolHooks& hooks);

} // namespace netrova
