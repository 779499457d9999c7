#pragma once

#include "platform/HelpViewer.h"

#include <QPointer>
#include <QUrl>

namespace netrova {

class HelpWindow;

// Serves help requests from the built-in pages, all in one help window that is made on the
// first request and reused.
class QtHelpViewer : public HelpViewer {
public:
    QtHelpViewer();
    ~QtHelpViewer() override;

    // The pages are built in; the path is kept for what the program reports about itself.
    void SetHelpFile(const std::string& path) override { helpFile_ = path; }
    const std::string& HelpFile() const { return helpFile_; }

    void ShowContents() override;
    void ShowContext(HelpContext context) override;

    // The page of a help context number; unknown numbers lead to the contents page.
    static QUrl PageFor(HelpContext context);
    // The help window, or null before the first request.
    HelpWindow* Window() const;

private:
    void Show(const QUrl& page);

    std::string helpFile_;
    QPointer<HelpWindow> window_;
};

} // namespace netrova
