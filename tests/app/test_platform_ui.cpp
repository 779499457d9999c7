// The desktop seams with widgets: the real message boxes, the help window and the
// application-level error display.
#include "platform/Guarded.h"
#include "platform/HelpWindow.h"
#include "platform/NetrovaApplication.h"
#include "platform/QtHelpViewer.h"
#include "platform/QtMessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <stdexcept>

using namespace netrova;

namespace {

// Runs `inspect` on the next modal box, from inside the box's own loop; `inspect` must close
// the box.
void OnNextBox(std::function<void(QMessageBox*)> inspect) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, inspect] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        poll->deleteLater();
        inspect(box);
    });
    poll->start();
}

// Throws from its event handler, as a faulty command handler would.
class Thrower : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Disk full while writing \"history.dat\"");
        if (e->type() == QEvent::User + 1)
            throw 42;
        return QObject::event(e);
    }
};

int VisibleBoxes() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(w) && w->isVisible())
            ++count;
    return count;
}

} // namespace

class PlatformUiTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxShowsCaptionIconAndButtons_data() {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("expectedIcon");
        QTest::addColumn<int>("expectedResult");
        auto row = [](const char* name, MsgIcon icon, MsgButtons buttons, const char* caption,
                      QMessageBox::StandardButton click, QMessageBox::Icon expectedIcon,
                      MsgResult result) {
            QTest::newRow(name) << int(icon) << int(buttons) << QString::fromLatin1(caption)
                                << int(click) << int(expectedIcon) << int(result);
        };
        row("ok", MsgIcon::None, MsgButtons::Ok, "", QMessageBox::Ok, QMessageBox::NoIcon,
            MsgResult::Ok);
        row("warning", MsgIcon::Warning, MsgButtons::Ok, "", QMessageBox::Ok, QMessageBox::Warning,
            MsgResult::Ok);
        row("stop", MsgIcon::Stop, MsgButtons::Ok, "Other caption", QMessageBox::Ok,
            QMessageBox::Critical, MsgResult::Ok);
        row("yes", MsgIcon::Question, MsgButtons::YesNo, "", QMessageBox::Yes,
            QMessageBox::Question, MsgResult::Yes);
        row("no", MsgIcon::Question, MsgButtons::YesNo, "", QMessageBox::No, QMessageBox::Question,
            MsgResult::No);
        // Escape (closing the box) answers a question with No.
        row("escape", MsgIcon::Question, MsgButtons::YesNo, "", QMessageBox::NoButton,
            QMessageBox::Question, MsgResult::No);
        // Enter takes the default answer: No where Yes would destroy data.
        const auto enter = QMessageBox::StandardButton(-1);
        row("enter", MsgIcon::Question, MsgButtons::YesNo, "", enter, QMessageBox::Question,
            MsgResult::Yes);
        row("enter, default no", MsgIcon::Question, MsgButtons::YesNoDefaultNo, "", enter,
            QMessageBox::Question, MsgResult::No);
    }
    void messageBoxShowsCaptionIconAndButtons() {
        QFETCH(int, icon);
        QFETCH(int, buttons);
        QFETCH(QString, caption);
        QFETCH(int, click);
        QFETCH(int, expectedIcon);
        QFETCH(int, expectedResult);

        QString title;
        QString text;
        int shownIcon = -1;
        QMessageBox::StandardButtons shownButtons;
        OnNextBox([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            shownIcon = box->icon();
            shownButtons = box->standardButtons();
            if (click == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else if (click == -1)
                QTest::keyClick(box, Qt::Key_Return);
            else
                box->button(QMessageBox::StandardButton(click))->click();
        });
        QtMessageBoxes boxes(true);
        const MsgResult result =
            caption.isEmpty() ? boxes.Show("Incorrect number !", MsgIcon(icon), MsgButtons(buttons))
                              : boxes.Show("Incorrect number !", MsgIcon(icon), MsgButtons(buttons),
                                           caption.toStdString());

        QCOMPARE(title, caption.isEmpty() ? QStringLiteral("Netrova 1.2") : caption);
        QCOMPARE(text, QStringLiteral("Incorrect number !"));
        QCOMPARE(shownIcon, expectedIcon);
        QCOMPARE(shownButtons, MsgButtons(buttons) == MsgButtons::Ok
                                   ? QMessageBox::StandardButtons(QMessageBox::Ok)
                                   : QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(int(result), expectedResult);
    }

    // "Are you connected now ?": Escape and the close button do not answer it; a termination
    // request (which rejects a box it cannot close) leaves it unanswered.
    void requiredAnswerIgnoresEscapeAndClose_data() {
        QTest::addColumn<int>("click");
        QTest::addColumn<int>("expected");
        QTest::newRow("yes") << int(QMessageBox::Yes) << int(MsgResult::Yes);
        QTest::newRow("no") << int(QMessageBox::No) << int(MsgResult::No);
        QTest::newRow("termination") << int(QMessageBox::NoButton) << int(MsgResult::None);
    }
    void requiredAnswerIgnoresEscapeAndClose() {
        QFETCH(int, click);
        QFETCH(int, expected);
        bool stayedOpen = false;
        OnNextBox([&](QMessageBox* box) {
            QTest::keyClick(box, Qt::Key_Escape);
            const bool closed = box->close();
            stayedOpen = !closed && box->isVisible();
            if (click == QMessageBox::NoButton)
                box->reject();
            else
                box->button(QMessageBox::StandardButton(click))->click();
        });
        QtMessageBoxes boxes(true);
        const MsgResult result =
            boxes.Show("Are you connected now ?", MsgIcon::Question, MsgButtons::YesNoRequired);
        QVERIFY(stayedOpen);
        QCOMPARE(int(result), expected);
    }

    void withoutDisplayAQuestionTakesItsDefault() {
        QtMessageBoxes boxes(false);
        QCOMPARE(boxes.Show("Are you connected now ?", MsgIcon::Question, MsgButtons::YesNo),
                 MsgResult::Yes);
        QCOMPARE(boxes.Show("Are you sure to delete all reports ?", MsgIcon::Question,
                            MsgButtons::YesNoDefaultNo),
                 MsgResult::No);
        QCOMPARE(VisibleBoxes(), 0);
    }

    void helpContextOpensItsPageInOneWindow_data() {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("title");
        QTest::newRow("about") << 5 << "about.html"
                               << "About Netrova";
        QTest::newRow("preferences") << 9 << "preferences.html"
                                     << "Preferences";
        QTest::newRow("beep") << 10 << "beep.html"
                              << "Beep reminder";
        QTest::newRow("counter") << 11 << "counter.html"
                                 << "Counter and resets";
        QTest::newRow("tariffs") << 12 << "tariffs.html"
                                 << "Tariffs";
        QTest::newRow("connections") << 13 << "connections.html"
                                     << "Connections";
        QTest::newRow("providers") << 15 << "providers.html"
                                   << "Providers and their tariffs";
        QTest::newRow("statistics") << 17 << "statistics.html"
                                    << "Statistics";
        QTest::newRow("limits") << 18 << "limits.html"
                                << "Money and data limits";
        QTest::newRow("unknown") << 99 << "index.html"
                                 << "Contents";
    }
    void helpContextOpensItsPageInOneWindow() {
        QFETCH(int, context);
        QFETCH(QString, page);
        QFETCH(QString, title);

        QtHelpViewer help;
        help.ShowContents();
        HelpWindow* window = help.Window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->CurrentPage(), QUrl(QStringLiteral("qrc:/help/index.html")));

        help.ShowContext(static_cast<HelpContext>(context));
        QCOMPARE(help.Window(), window);
        QCOMPARE(window->CurrentPage(), QUrl(QStringLiteral("qrc:/help/") + page));
        QCOMPARE(window->windowTitle(), QStringLiteral("Netrova Help - ") + title);
        QVERIFY(
            !window->findChild<QTextBrowser*>(QStringLiteral("Browser"))->toPlainText().isEmpty());
    }

    void everyHelpLinkLeadsToABuiltInPage() {
        QtHelpViewer help; // registers the pages
        const QStringList pages = QDir(QStringLiteral(":/help")).entryList({"*.html"});
        QVERIFY(pages.contains(QStringLiteral("index.html")));
        const QRegularExpression link(QStringLiteral("href=\"([^\"#]+)\""));
        for (const QString& page : pages) {
            QFile file(QStringLiteral(":/help/") + page);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString html = QString::fromUtf8(file.readAll());
            for (const auto& m : link.globalMatch(html))
                QVERIFY2(pages.contains(m.captured(1)), qPrintable(page + " -> " + m.captured(1)));
        }
        // The contents page reaches every other page.
        QFile contents(QStringLiteral(":/help/index.html"));
        QVERIFY(contents.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(contents.readAll());
        for (const QString& page : pages)
            if (page != QLatin1String("index.html"))
                QVERIFY2(html.contains("href=\"" + page + "\""), qPrintable(page));
    }

    void errorsWhileTheErrorBoxIsOpenAreNotStacked() {
        auto* app = static_cast<NetrovaApplication*>(QCoreApplication::instance());
        app->SetErrorBoxes(true);
        const int droppedBefore = app->DroppedErrors();
        Thrower thrower;

        QString firstText;
        QString firstTitle;
        int firstIcon = -1;
        int visibleWithSecondError = -1;
        OnNextBox([&](QMessageBox* box) {
            firstText = box->text();
            firstTitle = box->windowTitle();
            firstIcon = box->icon();
            // Two more errors while the box is open.
            QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
            QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 1)));
            (void)QTest::qWaitFor([&] { return app->DroppedErrors() == droppedBefore + 2; });
            visibleWithSecondError = VisibleBoxes();
            box->button(QMessageBox::Ok)->click();
        });
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QTRY_VERIFY(!firstText.isEmpty());
        QTRY_VERIFY(!app->ShowingError());

        QCOMPARE(firstText, QStringLiteral("Disk full while writing \"history.dat\""));
        QCOMPARE(firstTitle, QStringLiteral("Netrova 1.2"));
        QCOMPARE(firstIcon, int(QMessageBox::Critical));
        QCOMPARE(visibleWithSecondError, 1);
        QCOMPARE(app->DroppedErrors(), droppedBefore + 2);

        // Once the box is closed, the next error is shown again.
        QString nextText;
        OnNextBox([&](QMessageBox* box) {
            nextText = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::Type(QEvent::User + 1)));
        QTRY_VERIFY(!nextText.isEmpty());
        QCOMPARE(nextText, QStringLiteral("An unknown error occurred."));
        app->SetErrorBoxes(false);
    }

    void aSlotsErrorEndsInTheErrorBoxNotInTheEmitter() {
        QObject source;
        QString got;
        QObject::connect(&source, &QObject::objectNameChanged, &source,
                         Guarded([&](const QString& name) {
                             got = name;
                             throw std::runtime_error("Disk full");
                         }));
        // Without a display the error box is the log.
        QTest::ignoreMessage(QtCriticalMsg, "Netrova 1.2: Disk full");
        source.setObjectName(QStringLiteral("x"));
        QCOMPARE(got, QStringLiteral("x"));
    }
};

int main(int argc, char** argv) {
    NetrovaApplication app(argc, argv);
    PlatformUiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_platform_ui.moc"
