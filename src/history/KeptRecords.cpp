#include "history/KeptRecords.h"

#include "store/Registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace netrova {

namespace {

using Places = std::vector<std::uint64_t>;

std::vector<THistoryRecord> RecordsOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<THistoryRecord> records(bytes.size() / sizeof(THistoryRecord));
    if (!records.empty())
        std::memcpy(records.data(), bytes.data(), records.size() * sizeof(THistoryRecord));
    return records;
}

// The places of the kept records; empty when they were kept without places.
Places ReadPlaces(Registry& reg, std::size_t count) {
    const std::vector<std::uint8_t> bytes = reg.ReadBinary(kUnsavedPlacesValue);
    if (count == 0 || bytes.size() != count * sizeof(std::uint64_t))
        return {};
    Places places(count);
    std::memcpy(places.data(), bytes.data(), bytes.size());
    return places;
}

using Volumes = std::vector<VolumeRecord>;

// The volume records of the kept records; unknown volumes where none were kept.
Volumes ReadVolumes(Registry& reg, const std::vector<THistoryRecord>& records) {
    const std::vector<std::uint8_t> bytes = reg.ReadBinary(kUnsavedVolumesValue);
    Volumes volumes(records.size());
    if (bytes.size() == records.size() * sizeof(VolumeRecord) && !records.empty())
        std::memcpy(volumes.data(), bytes.data(), bytes.size());
    else
        for (std::size_t i = 0; i < records.size(); ++i)
            volumes[i] = VolumeRecordOf(records[i], std::nullopt);
    return volumes;
}

void WriteKept(Registry& reg, const std::vector<THistoryRecord>& records, const Places& places,
               const Volumes& volumes) {
    reg.WriteBinary(kUnsavedHistoryValue, records.data(), records.size() * sizeof(THistoryRecord));
    reg.WriteBinary(kUnsavedPlacesValue, places.data(), places.size() * sizeof(std::uint64_t));
    reg.WriteBinary(kUnsavedVolumesValue, volumes.data(), volumes.size() * sizeof(VolumeRecord));
}

bool SameBytes(THistoryRecord a, THistoryRecord b) {
    // The file holds the stamps' reserved words as 0.
    a.Started.Reserved = a.Ended.Reserved = b.Started.Reserved = b.Ended.Reserved = 0;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool StandsAt(const std::string& programPath, std::uint64_t place, const THistoryRecord& rec) {
    THistoryRecord found{};
    return ReadHistoryRecords(programPath, place, &found, 1) == 1 && SameBytes(found, rec);
}

// How many of the first kept records the history already holds: at their places, or, for
// records kept without places, as the last records of the file.
std::size_t AlreadyAppended(const std::string& programPath,
                            const std::vector<THistoryRecord>& records, const Places& places) {
    std::size_t done = 0;
    if (!places.empty()) {
        while (done < records.size() && StandsAt(programPath, places[done], records[done]))
            ++done;
        return done;
    }
    const auto tail = ReadLastHistoryRecords(programPath, records.size());
    for (std::size_t k = tail.size(); k > 0 && done == 0; --k) {
        bool same = true;
        for (std::size_t i = 0; i < k && same; ++i)
            same = SameBytes(tail[tail.size() - k + i], records[i]);
        if (same)
            done = k;
    }
    return done;
}

} // namespace

void KeepRecords(Registry& machine, const std::string& programPath,
                 const std::vector<FinishedConnection>& finished) {
    if (finished.empty())
        return;
    machine.OpenKey(kUnsavedHistoryKey, true);
    std::vector<THistoryRecord> kept = RecordsOf(machine.ReadBinary(kUnsavedHistoryValue));
    Places places = ReadPlaces(machine, kept.size());
    Volumes volumes = ReadVolumes(machine, kept);
    // Each record goes after the ones kept before it; the first after the history's end.
    std::uint64_t next =
        places.empty() ? HistoryRecordCount(programPath) + kept.size() : places.back() + 1;
    if (places.size() != kept.size())
        for (std::size_t i = 0; i < kept.size(); ++i)
            places.push_back(next - kept.size() + i);
    for (const FinishedConnection& c : finished) {
        kept.push_back(c.Record);
        places.push_back(next++);
        volumes.push_back(VolumeRecordOf(c.Record, c.Bytes));
    }
    WriteKept(machine, kept, places, volumes);
}

void DiscardKeptRecords(SettingsStore& store) {
    Registry machine(store, Root::LocalMachine);
    if (machine.KeyExists(kUnsavedHistoryKey))
        machine.DeleteKey(kUnsavedHistoryKey);
}

bool AppendKeptRecords(SettingsStore& store, const std::string& programPath, FileError& why) {
    Registry machine(store, Root::LocalMachine);
    if (!machine.OpenKey(kUnsavedHistoryKey, false))
        return true;
    std::vector<THistoryRecord> records = RecordsOf(machine.ReadBinary(kUnsavedHistoryValue));
    Places places = ReadPlaces(machine, records.size());
    Volumes volumes = ReadVolumes(machine, records);
    machine.CloseKey();
    const std::size_t total = records.size();

    // Each record's volume goes to the same place of volume.dat after the record itself; a
    // record stays kept until both are written.
    const auto volumeWritten = [&](std::size_t i) {
        return places.empty() || WriteVolumeRecord(programPath, places[i], volumes[i], &why);
    };
    // A crash, or a store write that failed, after some of them were appended leaves those in
    // the history: they are not appended again, though their volumes may still be missing.
    const std::size_t found = AlreadyAppended(programPath, records, places);
    std::size_t done = 0;
    while (done < found && volumeWritten(done))
        ++done;
    if (done == found && done < total) {
        // The places of the rest must be where they will land before the first is written, so
        // that a crash after it finds it there.
        const std::uint64_t end = HistoryRecordCount(programPath);
        if (places.empty() || places[done] != end) {
            places.resize(total);
            for (std::size_t i = done; i < total; ++i)
                places[i] = end + (i - done);
            machine.OpenKey(kUnsavedHistoryKey, true);
            WriteKept(machine, records, places, volumes);
            machine.CloseKey();
        }
        while (done < total && AppendHistoryRecord(programPath, records[done], &why) &&
               volumeWritten(done))
            ++done;
    }
    if (done == total) {
        machine.DeleteKey(kUnsavedHistoryKey);
    } else if (done > 0) {
        const auto dropDone = [done](auto& v) {
            v.erase(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(std::min(done, v.size())));
        };
        dropDone(records);
        dropDone(places);
        dropDone(volumes);
        machine.OpenKey(kUnsavedHistoryKey, true);
        WriteKept(machine, records, places, volumes);
        machine.CloseKey();
    }
    return done == total;
}

} // namespace netrova
