#include "monitor/ConnectionBackup.h"

#include "settings/Defaults.h"

#include <cstring>

namespace netrova {

namespace {

const char* const kSelector = "Backup";
const char* const kJournal = "Journal";

// A slot's volume: binary prefix+"Volume", the bytes received and sent (16 bytes
// little-endian), empty while unknown.
void WriteVolume(Registry& reg, const std::string& prefix, const std::optional<Volume>& volume) {
    const std::uint64_t bytes[2] = {volume ? volume->Received : 0, volume ? volume->Sent : 0};
    reg.WriteBinary(prefix + "Volume", bytes, volume ? sizeof bytes : 0);
}

std::optional<Volume> ReadVolume(Registry& reg, const std::string& prefix) {
    const std::vector<std::uint8_t> bytes = reg.ReadBinary(prefix + "Volume");
    if (bytes.size() != 2 * sizeof(std::uint64_t))
        return std::nullopt;
    Volume v;
    std::memcpy(&v.Received, bytes.data(), sizeof v.Received);
    std::memcpy(&v.Sent, bytes.data() + sizeof v.Received, sizeof v.Sent);
    return v;
}

void WriteSlotValues(Registry& machine, const std::string& slot, const std::string& user,
                     const TStamp& stamp, std::int32_t elapsed,
                     const std::optional<Volume>& volume) {
    machine.WriteString(slot + "User", user);
    WriteStampValues(machine, slot + "C", stamp);
    machine.WriteInteger(slot + "Time", elapsed);
    WriteVolume(machine, slot, volume);
}

} // namespace

void WriteStampValues(Registry& reg, const std::string& prefix, const TStamp& s) {
    reg.WriteInteger(prefix + "Secundes", s.Second);
    reg.WriteInteger(prefix + "Minutes", s.Minute);
    reg.WriteInteger(prefix + "Hours", s.Hour);
    reg.WriteInteger(prefix + "Year", s.Year);
    reg.WriteInteger(prefix + "Day", s.Day);
    reg.WriteInteger(prefix + "Month", s.Month);
    reg.WriteInteger(prefix + "DayOfWeek", s.DayOfWeek);
}

TStamp ReadStampValues(Registry& reg, const std::string& prefix) {
    TStamp s;
    s.Year = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Year"));
    s.Month = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Month"));
    s.DayOfWeek = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "DayOfWeek"));
    s.Day = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Day"));
    s.Hour = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Hours"));
    s.Minute = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Minutes"));
    s.Second = static_cast<std::uint16_t>(reg.ReadInteger(prefix + "Secundes"));
    return s;
}

void ConnectionBackup::WriteConnect(Registry& machine, const TStamp& started,
                                    const std::string& user, const std::string& provider) {
    machine.OpenKey(kCounterCurrentKey, true);
    WriteStampValues(machine, "", started);
    machine.WriteInteger("Money", 0);
    for (const char* slot : {"", "b"})
        WriteSlotValues(machine, slot, user, started, 0, std::nullopt);
    machine.WriteString("Provider", provider);
}

void ConnectionBackup::WriteMoney(Registry& machine, std::int32_t money,
                                  const std::string& feeText) {
    machine.OpenKey(kCounterCurrentKey, true);
    machine.WriteInteger("Money", money);
    machine.WriteString("Fee", feeText);
}

void ConnectionBackup::WriteSlot(Registry& machine, const std::string& user, const TStamp& now,
                                 std::int32_t elapsed, const std::optional<Volume>& volume) {
    machine.OpenKey(kCounterCurrentKey, true);
    // A selector never written yet counts as 0.
    const int selector = machine.ValueExists(kSelector) ? machine.ReadInteger(kSelector) : 0;
    WriteSlotValues(machine, selector != 0 ? "" : "b", user, now, elapsed, volume);
    machine.WriteInteger(kSelector, selector != 0 ? 0 : 1);
}

ConnectionBackup::Connection ConnectionBackup::Read(Registry& machine) {
    Connection c;
    machine.OpenKey(kCounterCurrentKey, true);
    c.record.Fee = machine.ReadInteger("Money");
    SetFieldText(c.record.Provider, machine.ReadString("Provider"));
    c.record.Started = ReadStampValues(machine, "");
    const std::string slot = machine.ReadInteger(kSelector) != 0 ? "b" : "";
    SetFieldText(c.record.User, machine.ReadString(slot + "User"));
    c.record.Ended = ReadStampValues(machine, slot + "C");
    c.record.Duration = machine.ReadInteger(slot + "Time");
    c.volume = ReadVolume(machine, slot);
    return c;
}

std::string ConnectionBackup::ReplayedJournal(Registry& machine) {
    return machine.OpenKey(kCounterCurrentKey, false) ? machine.ReadString(kJournal)
                                                      : std::string();
}

void ConnectionBackup::WriteReplayedJournal(Registry& machine, const std::string& id) {
    machine.OpenKey(kCounterCurrentKey, true);
    machine.WriteString(kJournal, id);
}

void ConnectionBackup::EnsureDefaults(Registry& machine) {
    machine.OpenKey(kCounterCurrentKey, true);
    WriteIntegerDefault(machine, kSelector, 0);
}

} // namespace netrova
