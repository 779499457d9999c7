#include "platform/Autostart.h"

#include "common/Text.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstdlib>
#include <stdexcept>

namespace netrova {

std::string XdgAutostart::DefaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config == '/')
        return std::string(config) + "/autostart";
    return QDir::homePath().toStdString() + "/.config/autostart";
}

std::string XdgAutostart::EntryPath() const {
    return folder_ + "/org.netrova.Netrova.desktop";
}

// Earlier builds named the entry netrova.desktop: left there, it would start the program a
// second time, or go on starting it after autostart was switched off.
void XdgAutostart::RemoveOldEntry() const {
    QFile::remove(QString::fromStdString(folder_ + "/netrova.desktop"));
}

std::string XdgAutostart::ExecValue(const std::string& program) {
    // Always quoted, so that spaces and the reserved characters stay part of the path.
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // Then escaped once more, as every string of a desktop entry is: a line break must not
    // end the value and start a key of its own.
    std::string out;
    for (const char c : quoted) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '%':
            out += "%%";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool XdgAutostart::CanName(const std::string& program) {
    // A desktop entry is UTF-8 text, and its escapes cover no other control character.
    for (const char c : program) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\t' && c != '\r') || u == 0x7f)
            return false;
    }
    return IsUtf8(program);
}

void XdgAutostart::Enable(const std::string& program) {
    if (!CanName(program))
        throw std::runtime_error("The autostart entry cannot name the program \"" + program +
                                 "\": a desktop entry holds only UTF-8 text without control "
                                 "characters.");
    if (!QDir().mkpath(QString::fromStdString(folder_)))
        throw std::runtime_error("Cannot create the folder " + folder_);
    QSaveFile file(QString::fromStdString(EntryPath()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        throw std::runtime_error("Cannot write " + EntryPath());
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Netrova\n"
                              "Comment=Dial-up connection monitor\n"
                              "Exec=" +
                              ExecValue(program) +
                              "\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    file.write(entry.data(), static_cast<qint64>(entry.size()));
    if (!file.commit())
        throw std::runtime_error("Cannot write " + EntryPath());
    RemoveOldEntry();
}

void XdgAutostart::Disable() {
    RemoveOldEntry();
    QFile file(QString::fromStdString(EntryPath()));
    if (file.exists() && !file.remove())
        throw std::runtime_error("Cannot remove " + EntryPath());
}

} // namespace netrova
