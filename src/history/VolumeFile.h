#pragma once

#include "common/Volume.h"
#include "history/HistoryFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace netrova {

// volume.dat: the data volume of each connection of history.dat, which keeps its records as
// they are. Record n of this file belongs to record n of the history when its Started stamp is
// the same; a missing, short or mismatched record means the volume is unknown, never 0.
inline constexpr const char* kVolumeFileName = "volume.dat";

// 32 bytes little-endian, as stored.
#pragma pack(push, 1)
struct VolumeRecord {
    TStamp Started;
    std::uint64_t Received = 0;
    std::uint64_t Sent = 0;
};
#pragma pack(pop)
static_assert(sizeof(VolumeRecord) == 32);

// The record for a connection; an unknown volume is kept as all bits set.
VolumeRecord VolumeRecordOf(const THistoryRecord& record, const std::optional<Volume>& volume);
// The volume a companion record gives the history record, or nothing when it does not match
// or holds no volume.
std::optional<Volume> VolumeFor(const THistoryRecord& record, const VolumeRecord& stored);

// "<programPath>/volume.dat"
std::string VolumePath(const std::string& programPath);

// Writes the record at place n (the history record's number), on disk when this returns; a
// file shorter than that is first filled with records that match nothing. False, with the
// reason in error, when it could not be written.
bool WriteVolumeRecord(const std::string& programPath, std::size_t place,
                       const VolumeRecord& record, FileError* error = nullptr);

// Reads count records from place first on; places past the end of the file read as records
// that match nothing.
void ReadVolumeRecords(const std::string& programPath, std::size_t first, VolumeRecord* out,
                       std::size_t count);

// Empties the file, keeping its name and mode; a missing file is no error.
bool EmptyVolumes(const std::string& programPath, FileError* error = nullptr);

// ScanHistory with each record's volume beside it (nothing when unknown).
std::size_t ScanHistoryWithVolume(
    const std::string& programPath,
    const std::function<bool(const THistoryRecord&, const std::optional<Volume>&)>& visit,
    FileError* error = nullptr);

} // namespace netrova
