#pragma once

#include "common/Text.h"
#include "history/HistoryFile.h"

#include <QFile>
#include <QTest>

#include <string>
#include <vector>

namespace netrova::test {

// A finished connection started on the given date at 10:20:30 and ended an hour later.
inline THistoryRecord Connection(const std::string& user, std::int32_t fee, std::int32_t duration,
                                 int year = 2026, int month = 7, int day = 5,
                                 const std::string& provider = "Provider") {
    THistoryRecord r{};
    r.Started = TStamp{static_cast<std::uint16_t>(year),
                       static_cast<std::uint16_t>(month),
                       0,
                       static_cast<std::uint16_t>(day),
                       10,
                       20,
                       30,
                       0};
    r.Ended = r.Started;
    r.Ended.Hour = 11;
    r.Fee = fee;
    r.Duration = duration;
    SetFieldText(r.Provider, provider);
    SetFieldText(r.TotalFeeText, FormatMoney(std::int64_t{fee} * 10));
    SetFieldText(r.User, user);
    return r;
}

// Appends the records one by one with the monitor's own writer.
inline void WriteHistory(const std::string& programPath,
                         const std::vector<THistoryRecord>& records) {
    for (const THistoryRecord& r : records)
        QVERIFY(AppendHistoryRecord(programPath, r));
}

// A long history in one write: the writer's flush per record would take minutes.
inline void WriteLongHistory(const std::string& programPath, const THistoryRecord& record,
                             int count) {
    QByteArray bytes;
    bytes.reserve(count * static_cast<int>(sizeof record));
    for (int i = 0; i < count; ++i)
        bytes.append(reinterpret_cast<const char*>(&record), sizeof record);
    QFile file(QString::fromStdString(HistoryPath(programPath)));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Append));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace netrova::test
