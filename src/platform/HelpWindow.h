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

    // Shows the page and brings the window to the front. `modal` is the open modal dialog,
    // if any, that the window has to belong to so as not to be blocked by it; a window shown
    // anew is placed beside `asker`.
    void ShowPage(const QUrl& page, QWidget* modal = nullptr, QWidget* asker = nullptr);
    QUrl CurrentPage() const;
    // Moves the window beside `asker`, which has just appeared over it, and raises it.
    void KeepBeside(const QWidget& asker);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateTitle();
    void JoinModal(QWidget* modal);
    void PlaceBeside(const QWidget& asker);

    QTextBrowser* Browser;
    QPushButton* ContentsButton;
    QPushButton* BackButton;
    QPushButton* ForwardButton;
};

} // namespace netrova
