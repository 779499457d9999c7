#pragma once

#include "../support/TempStore.h"
#include "store/Defaults.h"
#include "tariffs/Tariffs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLayout>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

#include <string>

namespace netrova::test {

inline void SeedProfile(TempStore& ts, const std::string& name, int start, int end, int day,
                        int night, int ocpd) {
    TRegistry reg(ts.store(), Root::CurrentUser);
    reg.OpenKey(std::string(kTariffProfileKey) + "\\" + name, true);
    reg.WriteInteger("StartingInterval", start);
    reg.WriteInteger("EndingInterval", end);
    reg.WriteInteger("DayCost", day);
    reg.WriteInteger("NightCost", night);
    reg.WriteInteger("OCPD", ocpd);
    reg.CloseKey();
}

// Dial-up entries as the dial-up service publishes them.
inline void SeedProviders(TempStore& ts, const QStringList& names) {
    TRegistry reg(ts.store(), Root::CurrentUser);
    reg.OpenKey(kAddressesKey, true);
    for (const QString& n : names)
        reg.WriteString(n.toStdString(), "");
    reg.CloseKey();
}

// One day key as the fee accrual reads it: "name|OCPDay|Day|Night|Start|End".
inline QString DayKeyText(TempStore& ts, const std::string& provider, int day) {
    TRegistry reg(ts.store(), Root::CurrentUser);
    if (!reg.OpenKey(DayKeyPath(provider, day), false))
        return QStringLiteral("<missing>");
    QStringList parts{QString::fromStdString(reg.ReadString("Tariff Profile"))};
    for (const char* v : {"OCPDay", "DayCost", "NightCost", "StartingInterval", "EndingInterval"})
        parts << QString::number(reg.ReadInteger(v));
    reg.CloseKey();
    return parts.join(QLatin1Char('|'));
}

inline QString Unassigned() {
    return QStringLiteral("|0|0|0|0|0");
}

// Every key and value of the per-user store, one line each, to compare before and after.
inline void DumpKey(TRegistry& reg, const std::string& path, QStringList& out) {
    if (!reg.OpenKey(path, false))
        return;
    out << QString::fromStdString("[" + path + "]");
    for (const std::string& name : reg.GetValueNames()) {
        QString data;
        switch (reg.GetDataType(name)) {
        case ValueType::Integer:
            data = QString::number(reg.ReadInteger(name));
            break;
        case ValueType::String:
            data = QString::fromStdString("\"" + reg.ReadString(name) + "\"");
            break;
        default:
            data = QString::number(reg.ReadBinary(name).size()) + QStringLiteral(" bytes");
        }
        out << QString::fromStdString(name) + QLatin1Char('=') + data;
    }
    const std::vector<std::string> subkeys = reg.GetKeyNames();
    for (const std::string& sub : subkeys)
        DumpKey(reg, path + "\\" + sub, out);
}

inline QStringList DumpUserStore(TempStore& ts) {
    TRegistry reg(ts.store(), Root::CurrentUser);
    QStringList out;
    DumpKey(reg, "", out);
    reg.CloseKey();
    return out;
}

// The screens a window must fit, side by side on the offscreen platform: 1280x800 and
// 1920x1080, and 1920x1080 at scale 2, which a window sees as 960x540 (same dots per inch).
inline const QStringList& ScreenNames() {
    static const QStringList names{"1280x800", "1920x1080", "1920x1080 at scale 2"};
    return names;
}

inline QScreen* ScreenNamed(const QString& name) {
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    qFatal("no screen %s", qPrintable(name));
}

// Shows the window on the named screen; its showing loads it there.
inline bool ShowOn(QDialog& dialog, const QString& screen) {
    dialog.setScreen(ScreenNamed(screen));
    dialog.move(dialog.screen()->availableGeometry().topLeft());
    dialog.show();
    return QTest::qWaitForWindowExposed(&dialog);
}

// Runs a test object on the offscreen platform with the screens above.
template <class Test> int RunOnScreens(int argc, char** argv) {
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (!config.open(QIODevice::WriteOnly))
        return 1;
    config.write(R"({"screens": [
        {"name": "1280x800", "x": 0, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96},
        {"name": "1920x1080", "x": 1280, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96},
        {"name": "1920x1080 at scale 2", "x": 3200, "y": 0, "width": 960, "height": 540,
         "logicalDpi": 96}]})");
    config.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

// What keeps the window from lying in the middle of its screen's free area at its layout's full
// size, with the buttons that are named whole inside it; "" when nothing does.
inline QString FitProblem(QDialog& dialog, const QStringList& buttons) {
    const QRect free = dialog.screen()->availableGeometry();
    const QRect frame = dialog.frameGeometry();
    const QPoint off = frame.center() - free.center();
    if (!free.contains(frame) || std::abs(off.x()) > 1 || std::abs(off.y()) > 1)
        return QStringLiteral("window %1 not in the middle of %2")
            .arg(QDebug::toString(frame), QDebug::toString(free));
    const QSize least = dialog.layout()->minimumSize();
    if (dialog.width() < least.width() || dialog.height() < least.height())
        return QStringLiteral("window %1 squeezed below %2")
            .arg(QDebug::toString(dialog.size()), QDebug::toString(least));
    for (const QString& name : buttons) {
        auto* b = dialog.findChild<QAbstractButton*>(name);
        if (!b || !b->isVisible() || b->width() < b->minimumSizeHint().width() ||
            !dialog.rect().contains(QRect(b->mapTo(&dialog, QPoint()), b->size())))
            return name + QStringLiteral(" not whole in view");
    }
    return {};
}

// A font of the given size for the whole application while it lives.
class ApplicationFont {
public:
    explicit ApplicationFont(int pointSize) : old_(QApplication::font()) {
        QFont font = old_;
        if (pointSize > 0)
            font.setPointSize(pointSize);
        QApplication::setFont(font);
    }
    ~ApplicationFont() { QApplication::setFont(old_); }

private:
    QFont old_;
};

} // namespace netrova::test
