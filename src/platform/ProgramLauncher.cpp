#include "platform/ProgramLauncher.h"

#include <QProcess>

namespace netrova {

bool QtProgramLauncher::Start(const std::string& path) {
    // An empty line would make QProcess try the empty name; it is simply not startable.
    if (path.empty())
        return false;
    return QProcess::startDetached(QString::fromStdString(path), {});
}

} // namespace netrova
