#include "platform/HelpWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>

namespace netrova {

const QUrl HelpWindow::kContentsPage(QStringLiteral("qrc:/help/index.html"));

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    // The help window never keeps the program alive once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenExternalLinks(true);

    ContentsButton = new QPushButton(tr("&Contents"), this);
    ContentsButton->setObjectName(QStringLiteral("ContentsButton"));
    BackButton = new QPushButton(tr("&Back"), this);
    BackButton->setObjectName(QStringLiteral("BackButton"));
    BackButton->setEnabled(false);
    ForwardButton = new QPushButton(tr("&Forward"), this);
    ForwardButton->setObjectName(QStringLiteral("ForwardButton"));
    ForwardButton->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ContentsButton);
    buttons->addWidget(BackButton);
    buttons->addWidget(ForwardButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(Browser);

    connect(ContentsButton, &QPushButton::clicked, this, [this] { ShowPage(kContentsPage); });
    connect(BackButton, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardButton, &QPushButton::clicked, Browser, &QTextBrowser::forward);
    connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QPushButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardButton, &QPushButton::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, &HelpWindow::UpdateTitle);

    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);

    resize(560, 480);
    UpdateTitle();
}

void HelpWindow::ShowPage(const QUrl& page, QWidget* modal, QWidget* asker) {
    if (Browser->source() != page)
        Browser->setSource(page);
    const bool placed = isVisible();
    JoinModal(modal);
    if (!placed && asker && asker != this)
        PlaceBeside(*asker);
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void HelpWindow::JoinModal(QWidget* modal) {
    if (modal == this || modal == parentWidget())
        return;
    if (QWidget* old = parentWidget())
        old->removeEventFilter(this);
    // Re-parenting hides a window; it keeps its place on the screen.
    const bool visible = isVisible();
    const QPoint place = pos();
    setParent(modal, Qt::Window);
    if (modal)
        modal->installEventFilter(this);
    if (visible) {
        move(place);
        show();
    }
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    // The dialog closes: the help window stays open on its own (a dialog made for one opening
    // would take it along when it is destroyed).
    if (watched == parentWidget() && event->type() == QEvent::Hide && !event->spontaneous())
        JoinModal(nullptr);
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::KeepBeside(const QWidget& asker) {
    if (!isVisible())
        return;
    PlaceBeside(asker);
    raise();
}

void HelpWindow::PlaceBeside(const QWidget& asker) {
    const QWidget& window = *asker.window();
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QRect by = window.frameGeometry();
    const int frame = frameGeometry().width() - width();
    // On the side of the asking window with more room, narrowed to that room down to a
    // readable width; where even that does not fit, at the screen's edge over the window.
    const int right = free.right() - by.right();
    const int left = by.left() - free.left();
    const int room = std::max(right, left) - frame;
    const int readable = std::min(width(), 360);
    if (room >= readable && room < width())
        resize(room, height());
    const int outer = width() + frame;
    const int x = right >= left ? std::min(by.right() + 1, free.right() + 1 - outer)
                                : std::max(by.left() - outer, free.left());
    const int y = std::clamp(by.top(), free.top(), std::max(free.top(), free.bottom() - height()));
    move(x, y);
}

QUrl HelpWindow::CurrentPage() const {
    return Browser->source();
}

void HelpWindow::UpdateTitle() {
    const QString page = Browser->documentTitle();
    setWindowTitle(page.isEmpty() ? tr("Netrova Help") : tr("Netrova Help - %1").arg(page));
}

} // namespace netrova
