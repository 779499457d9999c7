#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QPushButton;

namespace netrova {

// The help window: the built-in help pages in a browser with Contents, Back and Forward.
// One instance serves every help request of the program.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    static const QUrl kContentsPage;

    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page and brings the window to the front.
    void ShowPage(const QUrl& page);
    QUrl CurrentPage() const;

private:
    void UpdateTitle();

    QTextBrowser* Browser;
    QPushButton* ContentsButton;
    QPushButton* BackButton;
    QPushButton* ForwardButton;
};

} // namespace netrova
