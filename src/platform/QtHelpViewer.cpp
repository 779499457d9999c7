#include "platform/QtHelpViewer.h"

#include "platform/HelpWindow.h"

#include <QApplication>

// Resources of a static library have to be registered by hand; Q_INIT_RESOURCE must be used
// outside any namespace.
static void InitHelpResources() {
    Q_INIT_RESOURCE(help);
}

namespace netrova {

namespace {

struct ContextPage {
    HelpContext context;
    const char* page;
};

// The context numbers the dialogs ask for.
constexpr ContextPage kContextPages[] = {
    {HelpContext::About, "about.html"},         {HelpContext::Preferences, "preferences.html"},
    {HelpContext::Beep, "beep.html"},           {HelpContext::Counter, "counter.html"},
    {HelpContext::Tariffs, "tariffs.html"},     {HelpContext::Connections, "connections.html"},
    {HelpContext::Providers, "providers.html"}, {HelpContext::Statistics, "statistics.html"},
    {HelpContext::Limits, "limits.html"},
};

} // namespace

QtHelpViewer::QtHelpViewer() {
    InitHelpResources();
}

QtHelpViewer::~QtHelpViewer() {
    delete window_.data();
}

QUrl QtHelpViewer::PageFor(HelpContext context) {
    for (const auto& entry : kContextPages)
        if (entry.context == context)
            return QUrl(QStringLiteral("qrc:/help/") + QLatin1String(entry.page));
    return HelpWindow::kContentsPage;
}

HelpWindow* QtHelpViewer::Window() const {
    return window_;
}

void QtHelpViewer::ShowContents() {
    Show(HelpWindow::kContentsPage);
}

void QtHelpViewer::ShowContext(HelpContext context) {
    Show(PageFor(context));
}

void QtHelpViewer::Show(const QUrl& page) {
    if (!window_)
        window_ = new HelpWindow;
    // A modal dialog blocks every window but its own: the help window joins the dialog that
    // asked, so that it can be read and used while the dialog stays open.
    // The window that asks: the open modal dialog, the only one that can ask while it is
    // open, else the active window.
    QWidget* modal = QApplication::activeModalWidget();
    window_->ShowPage(page, modal, modal ? modal : QApplication::activeWindow());
}

} // namespace netrova
