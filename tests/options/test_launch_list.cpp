// The programs started on connect: the stored list, its start, its failures and its place in
// the connection's start.
#include "../monitor/MonitorRig.h"

#include "options/ExecList.h"
#include "platform/ProgramLauncher.h"
#include "settings/Defaults.h"
#include "support/DesktopDoubles.h"
#include "support/ScriptedMessageBoxes.h"

#include <QtTest>

using namespace netrova;
using namespace netrova::test;

using Strings = std::vector<std::string>;
Q_DECLARE_METATYPE(Strings)

namespace {

void StoreList(TempStore& ts, int lines, const Strings& values) {
    ts.SetInt(Root::CurrentUser, kExecKey, "Lines", lines);
    for (std::size_t i = 0; i < values.size(); ++i)
        ts.SetStr(Root::CurrentUser, kExecKey, "Line" + std::to_string(i), values[i]);
}

// The launch step as the main window runs it; remembers the crash marker each start saw.
class LaunchingView : public RecordingView {
public:
    LaunchingView(TempStore& ts, ScriptedMessageBoxes& boxes) : ts_(ts), boxes_(boxes) {}
    void RunExecList() override {
        markers.push_back(ts_.Int(Root::LocalMachine, kProductKey, "Bug"));
        netrova::RunExecList(ts_, launcher, boxes_);
    }
    RecordingLauncher launcher;
    std::vector<int> markers;

private:
    TempStore& ts_;
    ScriptedMessageBoxes& boxes_;
};

} // namespace

class LaunchListTest : public QObject {
    Q_OBJECT

private slots:
    void run_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<Strings>("stored");
        QTest::addColumn<Strings>("failing");
        QTest::addColumn<Strings>("started");
        QTest::addColumn<Strings>("boxes");
        const Strings none;
        QTest::newRow("no lines") << 0 << Strings{"/bin/left"} << none << none << none;
        QTest::newRow("three in order") << 3 << Strings{"/bin/a", "/bin/b", "/bin/c"} << none
                                        << Strings{"/bin/a", "/bin/b", "/bin/c"} << none;
        QTest::newRow("empty second entry")
            << 3 << Strings{"/bin/a", "", "/bin/c"} << Strings{""}
            << Strings{"/bin/a", "", "/bin/c"} << Strings{"Can't launch the program : "};
        QTest::newRow("one box lists every failure")
            << 3 << Strings{"/no/a", "/bin/b", "/no/c"} << Strings{"/no/a", "/no/c"}
            << Strings{"/no/a", "/bin/b", "/no/c"}
            << Strings{"Can't launch the program : /no/a\nCan't launch the program : /no/c"};
        QTest::newRow("entries beyond Lines are left alone")
            << 1 << Strings{"/bin/a", "/bin/old"} << none << Strings{"/bin/a"} << none;
        QTest::newRow("Lines far beyond the entries")
            << 2147483647 << Strings{"/bin/a", "/bin/b"} << none << Strings{"/bin/a", "/bin/b"}
            << none;
        Strings many;
        for (int i = 0; i <= kExecListLimit; ++i)
            many.push_back("/bin/p" + std::to_string(i));
        QTest::newRow("at most the limit")
            << 1000 << many << none << Strings(many.begin(), many.end() - 1) << none;
    }
    void run() {
        QFETCH(int, lines);
        QFETCH(Strings, stored);
        QFETCH(Strings, failing);
        QFETCH(Strings, started);
        QFETCH(Strings, boxes);
        TempStore ts;
        StoreList(ts, lines, stored);
        RecordingLauncher launcher;
        launcher.failing.insert(failing.begin(), failing.end());
        ScriptedMessageBoxes shown;
        RunExecList(ts, launcher, shown);
        QCOMPARE(launcher.started, started);
        QCOMPARE(shown.texts(), boxes);
        for (const auto& box : shown.shown()) {
            QCOMPARE(box.icon, MsgIcon::Stop);
            QCOMPARE(box.caption, std::string("Netrova 1.2"));
        }
    }

    void textLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Strings>("lines");
        QTest::newRow("empty") << "" << Strings{};
        QTest::newRow("one") << "/bin/a" << Strings{"/bin/a"};
        QTest::newRow("blank middle line") << "/a\n\n/b" << Strings{"/a", "", "/b"};
        QTest::newRow("blank last line") << "/a\n\n" << Strings{"/a", ""};
        QTest::newRow("only a blank line") << "\n" << Strings{""};
    }
    void textLines() {
        QFETCH(QString, text);
        QFETCH(Strings, lines);
        QCOMPARE(TextLines(text.toStdString()), lines);
        // Shown and read back, the list is the same.
        QCOMPARE(TextLines(JoinLines(lines)), lines);
    }

    // Once per connection, after the start is recorded; again after a re-dial.
    void startsOncePerConnection() {
        MonitorRig rig;
        LaunchingView view(rig.store, rig.boxes);
        Monitor mon(rig.store, rig.clock, rig.boxes, rig.help, view);
        mon.StartMonitor();
        rig.boxes.clear();
        StoreList(rig.store, 2, {"/bin/mail", "/bin/web"});
        const auto tick = [&] {
            rig.clock.Advance(1);
            mon.Timer1Timer();
        };

        rig.Dial("Provider One");
        for (int i = 0; i < 5; ++i)
            tick();
        QCOMPARE(view.launcher.started, (Strings{"/bin/mail", "/bin/web"}));
        QCOMPARE(view.markers, std::vector<int>{2});

        rig.Hangup();
        tick();
        tick();
        QCOMPARE(view.launcher.started.size(), std::size_t(2));
        rig.Dial("Provider One");
        tick();
        tick();
        QCOMPARE(view.launcher.started,
                 (Strings{"/bin/mail", "/bin/web", "/bin/mail", "/bin/web"}));
        QVERIFY(rig.boxes.texts().empty());
    }
};

QTEST_GUILESS_MAIN(LaunchListTest)
#include "test_launch_list.moc"
