#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QPushButton;

namespace netrova {

// The help window: the built-in help pages in a browser with Contents, Back and Forward.
// One instance serves every help request of the program.
//
// Where it goes, for the window that asks: beside it, on the side with more room, when a
// readable width fits there; else over the main window (the asking dialog's parent, or the
// asking window itself), kept clear of the asking window's row of buttons (OK, Cancel, Help).
// It stays within the screen's free area, its height bounded to it, and is never narrower than
// a readable width, which is measured from its font.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    static const QUrl kContentsPage;

    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the page and brings the window to the front. `modal` is the open modal dialog,
    // if any, that the window has to belong to so as not to be blocked by it; a window shown
    // anew, or asked from another window than the last, is placed for `asker`.
    void ShowPage(const QUrl& page, QWidget* modal = nullptr, QWidget* asker = nullptr);
    QUrl CurrentPage() const;
    // Moves the window beside `asker`, which has just appeared over it, and raises it.
    void KeepBeside(const QWidget& asker);

    // The narrowest width the pages read well at, and the size the window takes where there
    // is room, both from the font and with the window's frame left out.
    int ReadableWidth() const;
    QSize PreferredSize() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateTitle();
    void JoinModal(QWidget* modal);
    void PlaceBeside(const QWidget& asker);
    int WidthFor(int characters) const;
    int HeightFor(int lines) const;

    QTextBrowser* Browser;
    QPushButton* ContentsButton;
    QPushButton* BackButton;
    QPushButton* ForwardButton;
    // The window it was last placed for.
    QPointer<const QWidget> placedFor_;
};

} // namespace netrova
