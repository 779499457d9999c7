#include "platform/TextViewer.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace netrova {

bool DesktopTextViewer::Open(const std::string& path) {
    return QProcess::startDetached(QString::fromStdString(program_),
                                   QStringList{QString::fromStdString(path)});
}

} // namespace netrova
