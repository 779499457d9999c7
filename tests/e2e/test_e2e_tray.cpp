// The tray icon on a real desktop: a window manager and a tray host under Xvfb, driven with
// the mouse through xdotool as a person would.
#include "E2E.h"

#include "settings/Defaults.h"

#include <QProcess>
#include <QtTest>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace netrova;
using namespace netrova::test;

namespace {

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000))
        p.kill();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QStringList Windows(const QStringList& search) {
    return Run("xdotool", QStringList{"search"} + search).split('\n', Qt::SkipEmptyParts);
}

QSize Size(const QString& window) {
    // "WIDTH=22\nHEIGHT=22 ..." from --shell.
    const QString out = Run("xdotool", {"getwindowgeometry", "--shell", window});
    QSize size;
    for (const QString& line : out.split('\n')) {
        if (line.startsWith("WIDTH="))
            size.setWidth(line.mid(6).toInt());
        if (line.startsWith("HEIGHT="))
            size.setHeight(line.mid(7).toInt());
    }
    return size;
}

// The program's visible windows that match: the tray icon is small, its menu tall and narrow.
QString FindWindow(qint64 pid, const std::function<bool(const QSize&)>& fits) {
    for (const QString& w : Windows({"--onlyvisible", "--pid", QString::number(pid)}))
        if (fits(Size(w)))
            return w;
    return {};
}

// Whether a tray host owns the notification area of screen 0: Qt looks for it only once.
bool TrayHostReady() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    bool ready = false;
    if (!xcb_connection_has_error(c)) {
        const char* name = "_NET_SYSTEM_TRAY_S0";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        if (atom) {
            xcb_get_selection_owner_reply_t* owner =
                xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
            ready = owner && owner->owner != XCB_NONE;
            std::free(owner);
        }
        std::free(atom);
    }
    xcb_disconnect(c);
    return ready;
}

void ClickAt(const QString& window, int button) {
    Run("xdotool", {"mousemove", "--sync", "--window", window, "6", "6"});
    Run("xdotool", {"click", QString::number(button)});
}

} // namespace

class EndToEndTray : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs a display (run under xvfb-run)");
        for (const char* tool : {"openbox", "trayer", "xdotool", "xprop"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QFAIL(qPrintable(
                    QStringLiteral("%1 is missing (scripts/setup.sh installs it)").arg(tool)));
        wm_ = Start("openbox", {});
        QVERIFY(E2E::WaitFor(
            [] {
                return Run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window");
            },
            20000));
        tray_ = Start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                 "--height", "24", "--SetDockType", "true"});
        QVERIFY2(E2E::WaitFor(TrayHostReady, 20000), "the tray host did not start");
    }

    void cleanupTestCase() {
        for (auto* p : {tray_.get(), wm_.get()})
            if (p) {
                p->terminate();
                if (!p->waitForFinished(5000))
                    p->kill();
            }
    }

    // Started in tray mode and minimised (as a first start leaves the settings): only the
    // tray icon shows; a left click brings the window back without a task-bar entry, a right
    // click opens the tray menu.
    void trayIconRestoresAndOpensItsMenu() {
        E2E e2e;
        e2e.StartNetrova(QString());
        const qint64 pid = e2e.netrova().processId();
        QString icon;
        QVERIFY2(E2E::WaitFor(
                     [&] {
                         icon = FindWindow(pid, [](const QSize& s) {
                             return s.width() > 0 && s.width() <= 64 && s.height() <= 64;
                         });
                         return !icon.isEmpty();
                     },
                     20000),
                 "no tray icon");
        QVERIFY(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 10000));
        const auto mainWindows = [] {
            return Windows({"--onlyvisible", "--name", "^Netrova: \\[Not Connected\\]$"});
        };
        QVERIFY2(mainWindows().isEmpty(), "the window should start minimised");

        ClickAt(icon, 1);
        QVERIFY2(E2E::WaitFor([&] { return !mainWindows().isEmpty(); }, 10000),
                 "a left click did not restore the window");
        const QString state = Run("xprop", {"-id", mainWindows().first(), "_NET_WM_STATE"});
        QVERIFY2(state.contains("_NET_WM_STATE_SKIP_TASKBAR"), qPrintable(state));

        ClickAt(icon, 3);
        QString menu;
        QVERIFY2(E2E::WaitFor(
                     [&] {
                         menu = FindWindow(pid, [](const QSize& s) {
                             return s.height() > 150 && s.height() > s.width();
                         });
                         return !menu.isEmpty();
                     },
                     10000),
                 "a right click did not open the tray menu");
        Run("xdotool", {"key", "Escape"});
        QVERIFY(E2E::WaitFor(
            [&] {
                return !Windows({"--onlyvisible", "--pid", QString::number(pid)}).contains(menu);
            },
            10000));

        ::kill(static_cast<pid_t>(pid), SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(15000));
        QCOMPARE(e2e.netrova().exitCode(), 0);
        QCOMPARE(e2e.Bug(), 0);
    }

    // The panel is autostarted after the program: the tray that comes later takes the icon.
    void trayThatComesLaterIsUsed() {
        tray_->terminate();
        QVERIFY(tray_->waitForFinished(5000));
        QVERIFY(E2E::WaitFor([] { return !TrayHostReady(); }, 10000));
        E2E e2e;
        e2e.StartNetrova(QString());
        QVERIFY(E2E::WaitFor([&] { return e2e.Bug() == 1; }, 20000));
        tray_ = Start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                                 "--height", "24", "--SetDockType", "true"});
        QVERIFY2(E2E::WaitFor(TrayHostReady, 20000), "the tray host did not start");
        const qint64 pid = e2e.netrova().processId();
        QVERIFY2(E2E::WaitFor(
                     [&] {
                         return !FindWindow(pid, [](const QSize& s) {
                                     return s.width() > 0 && s.width() <= 64 && s.height() <= 64;
                                 }).isEmpty();
                     },
                     10000),
                 "the icon did not come to the later tray");
    }

    // Help asked for in a modal dialog (F1) opens beside it, takes the mouse and keys while the
    // dialog stays open, and Escape closes it alone.
    void helpFromADialogIsUsable() {
        E2E e2e;
        e2e.store.SetInt(Root::CurrentUser, kProductKey, "Minimize", 0);
        e2e.StartNetrova(QString());
        const auto visible = [](const char* name) {
            return Windows({"--onlyvisible", "--name", QString::fromLatin1(name)});
        };
        QVERIFY2(E2E::WaitFor([&] { return !visible("^Netrova: ").isEmpty(); }, 20000),
                 "no main window");
        Run("xdotool", {"windowactivate", "--sync", visible("^Netrova: ").first()});
        Run("xdotool", {"key", "alt+s"});
        QVERIFY2(E2E::WaitFor([&] { return !visible("^Statistics$").isEmpty(); }, 10000),
                 "Alt+S did not open the statistics");
        const QString statistics = visible("^Statistics$").first();
        Run("xdotool", {"windowactivate", "--sync", statistics});
        Run("xdotool", {"key", "F1"});
        QVERIFY2(E2E::WaitFor([&] { return !visible("^Netrova Help").isEmpty(); }, 10000),
                 "F1 did not open the help");
        const QString help = visible("^Netrova Help").first();
        QVERIFY2(Run("xdotool", {"getwindowname", help}).endsWith("Statistics"),
                 qPrintable(Run("xdotool", {"getwindowname", help})));
        const QRect byDialog = Geometry(statistics);
        const QRect helpPlace = Geometry(help);
        QVERIFY2(!byDialog.intersects(helpPlace),
                 qPrintable(Run("xdotool", {"getwindowgeometry", help})));

        // A click into the help's page and Escape: a blocked window would leave the keys to the
        // dialog, which Escape closes.
        Run("xdotool", {"mousemove", "--sync", "--window", help, "200", "200"});
        Run("xdotool", {"click", "1"});
        Run("xdotool", {"key", "Escape"});
        QVERIFY2(E2E::WaitFor([&] { return visible("^Netrova Help").isEmpty(); }, 10000),
                 "Escape did not close the help");
        QVERIFY2(!visible("^Statistics$").isEmpty(), "the dialog closed instead of the help");

        ::kill(static_cast<pid_t>(e2e.netrova().processId()), SIGTERM);
        QVERIFY(e2e.netrova().waitForFinished(15000));
        QCOMPARE(e2e.netrova().exitCode(), 0);
    }

private:
    static QRect Geometry(const QString& window) {
        // "X=10\nY=20\nWIDTH=..." from --shell.
        QRect r;
        for (const QString& line :
             Run("xdotool", {"getwindowgeometry", "--shell", window}).split('\n')) {
            const int value = line.section('=', 1).toInt();
            if (line.startsWith("X="))
                r.moveLeft(value);
            if (line.startsWith("Y="))
                r.moveTop(value);
        }
        r.setSize(Size(window));
        return r;
    }

    static std::unique_ptr<QProcess> Start(const QString& program, const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->setStandardOutputFile(QProcess::nullDevice());
        p->start(program, args);
        p->waitForStarted(10000);
        return p;
    }

    std::unique_ptr<QProcess> wm_;
    std::unique_ptr<QProcess> tray_;
};

QTEST_GUILESS_MAIN(EndToEndTray)
#include "test_e2e_tray.moc"
