#include "platform/NetrovaApplication.h"

#include "common/Log.h"
#include "platform/Display.h"
#include "platform/Guarded.h"
#include "platform/MessageBoxes.h"

#include <QMessageBox>

namespace netrova {

NetrovaApplication::NetrovaApplication(int& argc, char** argv)
    : QApplication(argc, argv), errorBoxes_(HasDisplay()) {}

bool NetrovaApplication::notify(QObject* receiver, QEvent* event) {
    // The last net: the program's own slots catch what they throw (Guarded).
    bool handled = false;
    RunCatching([&] { handled = QApplication::notify(receiver, event); },
                [this](const std::string& text) { ShowError(QString::fromStdString(text)); });
    return handled;
}

void NetrovaApplication::ShowError(const QString& text) {
    if (showingError_) {
        ++droppedErrors_;
        return;
    }
    if (!errorBoxes_) {
        qCCritical(lcApp).noquote()
            << QString::fromLatin1(kBoxCaption) + QLatin1String(": ") + text;
        return;
    }
    showingError_ = true;
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kBoxCaption), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
    showingError_ = false;
}

} // namespace netrova
