#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace netrova {

class MessageBoxes;
class ProgramLauncher;
class SettingsStore;

// The programs started whenever a connection begins to be counted: per-user
// "\Software\Netrova\Exec", "Lines" entries "Line0", "Line1", ... (possibly empty).

// At most this many entries are read and started.
inline constexpr int kExecListLimit = 100;

// The first "Lines" entries, up to the first missing one and at most kExecListLimit; the key is
// created when missing.
std::vector<std::string> ReadExecList(SettingsStore& store);
// "Lines" and one value per entry. Entries beyond the new count stay in place, never read.
void WriteExecList(SettingsStore& store, const std::vector<std::string>& lines);

// Starts every entry in order without waiting; the later ones are still tried after one that
// cannot start, and one box lists every entry that could not.
void RunExecList(SettingsStore& store, ProgramLauncher& launcher, MessageBoxes& boxes);

// The lines of a multi-line text as a list of lines counts them: an empty text has none and a
// final line break starts no new line.
std::vector<std::string> TextLines(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines);
// "Now you have entered 3 programs"
std::string ProgramCountText(std::size_t count);

} // namespace netrova
