#pragma once

// Crash and failure injection for the crash tests. The calls are compiled in only where
// NETROVA_FAULT_POINTS is defined, which only the crash test's own build of the store and the
// history file does; the test defines Reached.
namespace netrova::faults {

enum class Point { StoreCommit, HistoryWrite };

// Called just before each store commit that changes a file and before each history write.
// Returns true when that write is to fail as on a full disk; it may also end the process.
bool Reached(Point point);

} // namespace netrova::faults
