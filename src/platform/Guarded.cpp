#include "platform/Guarded.h"

#include "common/Log.h"
#include "platform/MessageBoxes.h"
#include "platform/NetrovaApplication.h"

namespace netrova {

void ShowApplicationError(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (auto* app = qobject_cast<NetrovaApplication*>(QCoreApplication::instance()))
        app->ShowError(shown);
    else
        qCCritical(lcApp).noquote()
            << QString::fromLatin1(kBoxCaption) + QLatin1String(": ") + shown;
}

} // namespace netrova
