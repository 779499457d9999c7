#pragma once

// The tariff windows on screens of the sizes they must fit.
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

namespace netrova::test {

// The screens a window must fit, side by side on the offscreen platform: 1280x800 and
// 1920x1080, and 1920x1080 at scale 2, which a window sees as 960x540 (same dots per inch).
inline const QStringList& ScreenNames() {
    static const QStringList names{"1280x800", "1920x1080", "1920x1080 at scale 2"};
    return names;
}

// The rows of a fit test: each screen at the usual font and at 14 pt (pointSize 0: usual).
inline void AddScreenAndFontRows() {
    QTest::addColumn<QString>("screen");
    QTest::addColumn<int>("pointSize");
    for (const QString& screen : ScreenNames())
        for (int points : {0, 14})
            QTest::addRow("%s, %s", qPrintable(screen), points ? "14 pt" : "usual font")
                << screen << points;
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

// What keeps the window from lying in the middle of its screen's free area (or, not `centred`,
// anywhere within it) at its layout's full size, with the buttons that are named whole inside
// it; "" when nothing does.
inline QString FitProblem(QDialog& dialog, const QStringList& buttons, bool centred = true) {
    const QRect free = dialog.screen()->availableGeometry();
    const QRect frame = dialog.frameGeometry();
    const QPoint off = centred ? frame.center() - free.center() : QPoint();
    if (!free.contains(frame) || std::abs(off.x()) > 1 || std::abs(off.y()) > 1)
        return QStringLiteral("window %1 not %2 %3")
            .arg(QDebug::toString(frame), centred ? "in the middle of" : "within",
                 QDebug::toString(free));
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
