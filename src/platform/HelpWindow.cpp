#include "platform/HelpWindow.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

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

    resize(560, 480);
    UpdateTitle();
}

void HelpWindow::ShowPage(const QUrl& page) {
    if (Browser->source() != page)
        Browser->setSource(page);
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

QUrl HelpWindow::CurrentPage() const {
    return Browser->source();
}

void HelpWindow::UpdateTitle() {
    const QString page = Browser->documentTitle();
    setWindowTitle(page.isEmpty() ? tr("Netrova Help") : tr("Netrova Help - %1").arg(page));
}

} // namespace netrova
