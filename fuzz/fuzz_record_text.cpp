// The record's text fields: reading arbitrary bytes and writing arbitrary text into a field.

#include "FuzzSupport.h"
#include "common/Text.h"
#include "history/HistoryFile.h"

#include <QString>

#include <cstring>

using namespace netrova;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    // Reading: whatever the bytes, the text is UTF-8 that survives a round trip through Qt.
    char field[50];
    std::memset(field, 0, sizeof field);
    std::memcpy(field, data, std::min(size, sizeof field));
    const std::string text = FieldText(field);
    fuzz::Require(QString::fromUtf8(text.data(), qsizetype(text.size())).toStdString() == text,
                  "a field reads as valid UTF-8");
    fuzz::Require(text.find('\0') == std::string::npos, "a field's text ends at its zero byte");

    // Writing: cut at a character boundary, zero-terminated, read back as written.
    char out[50];
    SetFieldText(out, input);
    fuzz::Require(std::memchr(out, 0, sizeof out) != nullptr, "a written field keeps its zero");
    const std::string cut = CutUtf8(input, sizeof out - 1);
    fuzz::Require(cut.size() < sizeof out, "a cut fits its field");
    fuzz::Require(input.compare(0, cut.size(), cut) == 0, "a cut is a prefix of the text");
    const QString valid = QString::fromUtf8(input.data(), qsizetype(input.size()));
    if (valid.toStdString() == input && input.find('\0') == std::string::npos)
        fuzz::Require(FieldText(out) == cut, "valid UTF-8 reads back as it was cut");
    return 0;
}
