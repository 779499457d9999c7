#pragma once

#include "common/TStamp.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace netrova {

inline constexpr const char* kHistoryFileName = "history.dat";

// One finished connection; 192 bytes little-endian, exactly as stored in history.dat.
#pragma pack(push, 1)
struct THistoryRecord {
    TStamp Started;
    TStamp Ended;
    std::int32_t Fee = 0;      // cents
    std::int32_t Duration = 0; // seconds, the monitor's own count
    char Provider[50] = {};
    char TotalFeeText[50] = {};
    char User[52] = {};
};
#pragma pack(pop)
static_assert(sizeof(THistoryRecord) == 192);

// Why a history file could not be opened, read or written: the system's error where there is
// one, and the text the boxes show.
struct FileError {
    std::error_code code;
    std::string text;

    bool Failed() const { return !text.empty(); }
    // The file system, or the user's share of it, is full.
    bool DiskFull() const;
};
static_assert(offsetof(THistoryRecord, Ended) == 16);
static_assert(offsetof(THistoryRecord, Fee) == 32);
static_assert(offsetof(THistoryRecord, Duration) == 36);
static_assert(offsetof(THistoryRecord, Provider) == 40);
static_assert(offsetof(THistoryRecord, TotalFeeText) == 90);
static_assert(offsetof(THistoryRecord, User) == 140);
// The record is written as it lies in memory.
static_assert(std::endian::native == std::endian::little);

// Text of a record field: up to the first zero byte, never beyond the field. UTF-8 is taken as
// it is; bytes that are not UTF-8 (older files) are read as Latin-1.
std::string FieldText(const char* field, std::size_t size);
template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}
// Stores text into a field, cut at a character boundary so that the zero byte fits.
void SetFieldText(char* field, std::size_t size, std::string_view text);
template <std::size_t N> void SetFieldText(char (&field)[N], std::string_view text) {
    SetFieldText(field, N, text);
}

// "<programPath>/history.dat"
std::string HistoryPath(const std::string& programPath);
// "<programPath>/Reports": the folder of the report files (*.rpt).
std::string ReportsPath(const std::string& programPath);

// The file operations below open history.dat only when it is a regular file, and never block
// on anything else (a FIFO, a device). On failure they give the reason in error ("it is not a
// regular file", "Permission denied", "No space left on device" ...) when error is given.

// Appends one record, creating the file when missing. A torn tail left by a crash is cut back
// to the last whole record first; the stamps' reserved words are written as 0; the record is
// on disk when this returns. Returns false when the file could not be written.
bool AppendHistoryRecord(const std::string& programPath, const THistoryRecord& record,
                         FileError* error = nullptr);

// Reads the last whole record (a torn tail left by a crash is not one) without reading the
// records before it. Returns false when the history has no record.
bool ReadLastHistoryRecord(const std::string& programPath, THistoryRecord& record);
// The last `count` whole records (fewer when the history holds fewer), in file order.
std::vector<THistoryRecord> ReadLastHistoryRecords(const std::string& programPath,
                                                   std::size_t count);

// The number of whole records in the history; 0 when it is missing or cannot be read.
std::size_t HistoryRecordCount(const std::string& programPath);

// Empties the history, keeping the file's name and mode. Returns false on failure.
bool EmptyHistory(const std::string& programPath, FileError* error = nullptr);

// Calls visit for each whole record in file order; a missing or empty file has none (and is no
// error) and a trailing fragment shorter than a record is ignored. Returns the number of records
// visited. visit may return false to stop early.
std::size_t ScanHistory(const std::string& programPath,
                        const std::function<bool(const THistoryRecord&)>& visit,
                        FileError* error = nullptr);
// The same from record number first on (a later part of the history), without reading the
// records before it.
std::size_t ScanHistoryFrom(const std::string& programPath, std::size_t first,
                            const std::function<bool(const THistoryRecord&)>& visit);
// Reads up to count whole records from record number first on into out; returns how many
// were read (fewer at the end of the file, 0 when it cannot be read).
std::size_t ReadHistoryRecords(const std::string& programPath, std::size_t first,
                               THistoryRecord* out, std::size_t count);
// The same for a history file named by its own path (a copy, a file given on a command line).
std::size_t ScanHistoryFile(const std::string& filePath,
                            const std::function<bool(const THistoryRecord&)>& visit,
                            FileError* error = nullptr);

} // namespace netrova
