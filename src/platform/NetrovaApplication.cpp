#include "platform/NetrovaApplication.h"

#include "common/Log.h"
#include "platform/Display.h"
#include "platform/MessageBoxes.h"

#include <QMessageBox>

#include <exception>

namespace netrova {

NetrovaApplication::NetrovaApplication(int& argc, char** argv)
    : QApplication(argc, argv), errorBoxes_(HasDisplay()) {}

bool NetrovaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(tr("An unknown error occurred."));
    }
    return false;
}

void NetrovaApplication::ShowError(const QString& text) {
    if (showingError_) {
        ++droppedErrors_;
        return;
    }
    if (!errorBoxes_) {
        qCCritical(lcApp).noquote() << QString::fromLatin1(kBoxCaption) + ": " + text;
        return;
    }
    showingError_ = true;
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kBoxCaption), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
    showingError_ = false;
}

} // namespace netrova
