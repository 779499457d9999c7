// The history scanner and appender on a file of arbitrary bytes: whole records only, in order,
// a torn tail cut before the next append, never a read past a record.

#include "FuzzSupport.h"
#include "history/HistoryFile.h"

#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace netrova;

namespace {

std::string Folder() {
    static const std::string folder = fuzz::TempFolder("netrova-fuzz-history");
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string folder = Folder();
    const std::string path = HistoryPath(folder);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    fuzz::Require(fd >= 0, "the history file can be made");
    fuzz::Require(::write(fd, data, size) == static_cast<ssize_t>(size), "the input is written");
    ::close(fd);

    const std::size_t whole = size / sizeof(THistoryRecord);
    std::size_t seen = 0;
    const std::size_t count = ScanHistory(folder, [&](const THistoryRecord& rec) {
        fuzz::Require(std::memcmp(&rec, data + seen * sizeof rec, sizeof rec) == 0,
                      "records are read in file order, unchanged");
        ++seen;
        // Every text field reads as UTF-8 within its width.
        for (const std::string& text :
             {FieldText(rec.Provider), FieldText(rec.TotalFeeText), FieldText(rec.User)})
            fuzz::Require(text.size() <= 2 * sizeof rec.User, "a field's text stays in bounds");
        return true;
    });
    fuzz::Require(count == whole && seen == whole, "every whole record is visited once");

    THistoryRecord added{};
    if (size >= sizeof added)
        std::memcpy(&added, data, sizeof added);
    fuzz::Require(AppendHistoryRecord(folder, added), "a record is appended to a regular file");
    THistoryRecord last{};
    const std::size_t after = ScanHistory(folder, [&](const THistoryRecord& rec) {
        last = rec;
        return true;
    });
    fuzz::Require(after == whole + 1, "the append cuts a torn tail and adds one record");
    added.Started.Reserved = added.Ended.Reserved = 0;
    fuzz::Require(std::memcmp(&last, &added, sizeof last) == 0, "the appended record is last");
    return 0;
}
