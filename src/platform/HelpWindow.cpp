#include "platform/HelpWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtMath>

#include <algorithm>
#include <climits>

namespace netrova {

namespace {

// Characters a line of a page holds at the readable and at the preferred width, and lines of
// the preferred height.
constexpr int kReadableCharacters = 48;
constexpr int kPreferredCharacters = 72;
constexpr int kPreferredLines = 30;
// The fewest lines worth showing when the window has to be made lower to keep clear of buttons.
constexpr int kFewestLines = 10;

// The lowest row of push buttons of a window (OK, Cancel, Help), on the screen; empty without
// buttons.
QRect ButtonRow(const QWidget& window) {
    QList<QRect> buttons;
    int lowest = INT_MIN;
    for (const QPushButton* b : window.findChildren<QPushButton*>()) {
        if (!b->isVisible())
            continue;
        const QRect r(b->mapToGlobal(QPoint(0, 0)), b->size());
        buttons << r;
        lowest = std::max(lowest, r.center().y());
    }
    QRect row;
    for (const QRect& r : buttons)
        if (r.top() <= lowest && r.bottom() >= lowest)
            row |= r;
    return row;
}

// Where the help goes, frame included. `readable` and `fewest` are the narrowest width and the
// lowest height it may take, `preferred` the size it takes where there is room; `over` is what
// it may cover when there is no room beside `asker`, `buttons` what it must leave free.
QRect HelpPlace(const QRect& free, const QRect& asker, const QRect& over, const QRect& buttons,
                int readable, int fewest, QSize preferred) {
    const int height = std::min(preferred.height(), free.height());
    const auto top = [&](int wanted, int h) {
        return std::clamp(wanted, free.top(), std::max(free.top(), free.bottom() + 1 - h));
    };

    // Beside the asking window, on the side with more room first.
    const int right = free.right() - asker.right();
    const int left = asker.left() - free.left();
    for (const bool onRight : {right >= left, right < left}) {
        const int room = onRight ? right : left;
        if (room < readable)
            continue;
        const int width = std::min(preferred.width(), room);
        return QRect(onRight ? asker.right() + 1 : asker.left() - width, top(asker.top(), height),
                     width, height);
    }

    // Over the main window, clear of the buttons.
    const int width = std::min(preferred.width(), free.width());
    const auto across = [&](int x, int w) {
        return std::clamp(x, free.left(), std::max(free.left(), free.right() + 1 - w));
    };
    QRect place(across(over.center().x() - width / 2, width), top(over.top(), height), width,
                height);
    if (!buttons.isValid() || !place.intersects(buttons))
        return place;
    // Beside the buttons, nearer to where it would be: narrowed down to the readable width.
    QList<QRect> clear;
    const int roomLeft = buttons.left() - free.left();
    const int roomRight = free.right() - buttons.right();
    if (roomLeft >= readable) {
        const int w = std::min(width, roomLeft);
        clear << QRect(std::min(place.left(), buttons.left() - w), place.top(), w, height);
    }
    if (roomRight >= readable) {
        const int w = std::min(width, roomRight);
        clear << QRect(std::max(place.left(), buttons.right() + 1), place.top(), w, height);
    }
    if (!clear.isEmpty()) {
        return *std::min_element(clear.begin(), clear.end(), [&](const QRect& a, const QRect& b) {
            return std::abs(a.center().x() - place.center().x()) <
                   std::abs(b.center().x() - place.center().x());
        });
    }
    // Above the buttons, else below them, made lower.
    const int above = buttons.top() - free.top();
    const int below = free.bottom() - buttons.bottom();
    if (std::max(above, below) >= fewest) {
        if (above >= below)
            return QRect(place.left(), free.top(), width, std::min(height, above));
        return QRect(place.left(), buttons.bottom() + 1, width, std::min(height, below));
    }
    return place;
}

} // namespace

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

    const QSize size = PreferredSize();
    if (const QScreen* shown = screen())
        resize(size.boundedTo(shown->availableGeometry().size()));
    else
        resize(size);
    UpdateTitle();
}

void HelpWindow::ShowPage(const QUrl& page, QWidget* modal, QWidget* asker) {
    if (Browser->source() != page)
        Browser->setSource(page);
    const bool placed = isVisible() && asker && placedFor_ == asker->window();
    JoinModal(modal);
    if (!placed && asker && asker->window() != this)
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
    placedFor_ = &window;
    // The frame is known once the window has been shown; before that, the asking window's is
    // the best guess.
    const QWidget& framed = isVisible() ? static_cast<const QWidget&>(*this) : window;
    const QRect inner = framed.geometry();
    const QRect outer = framed.frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    // A dialog's main window is its parent's; the main window asks for itself.
    const QWidget* main = window.parentWidget() ? window.parentWidget()->window() : &window;
    const QRect place =
        HelpPlace(screen->availableGeometry(), window.frameGeometry(), main->frameGeometry(),
                  ButtonRow(window), ReadableWidth() + frameSize.width(),
                  HeightFor(kFewestLines) + frameSize.height(), PreferredSize() + frameSize);
    resize(place.size() - frameSize);
    move(place.topLeft());
}

int HelpWindow::WidthFor(int characters) const {
    const QFontMetrics metrics(Browser->font());
    const QMargins margins = layout()->contentsMargins();
    return characters * metrics.averageCharWidth() + margins.left() + margins.right() +
           2 * Browser->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
           2 * qCeil(Browser->document()->documentMargin());
}

int HelpWindow::HeightFor(int lines) const {
    const QFontMetrics metrics(Browser->font());
    const QMargins margins = layout()->contentsMargins();
    return lines * metrics.lineSpacing() + ContentsButton->sizeHint().height() +
           std::max(0, layout()->spacing()) + margins.top() + margins.bottom() +
           2 * Browser->frameWidth() + 2 * qCeil(Browser->document()->documentMargin());
}

int HelpWindow::ReadableWidth() const {
    return WidthFor(kReadableCharacters);
}

QSize HelpWindow::PreferredSize() const {
    return {WidthFor(kPreferredCharacters), HeightFor(kPreferredLines)};
}

QUrl HelpWindow::CurrentPage() const {
    return Browser->source();
}

void HelpWindow::UpdateTitle() {
    const QString page = Browser->documentTitle();
    setWindowTitle(page.isEmpty() ? tr("Netrova Help") : tr("Netrova Help - %1").arg(page));
}

} // namespace netrova
