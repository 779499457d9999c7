#pragma once

#include <QApplication>

namespace netrova {

// The application object. An exception that escapes an event handler ends up here and is shown
// in one error box; errors raised while that box is open are counted, not stacked on top of it.
class NetrovaApplication : public QApplication {
    Q_OBJECT
public:
    NetrovaApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the error box (caption "Netrova 1.2", stop icon) unless one is already open.
    // Without a display the error goes to the log (netrova.app).
    void ShowError(const QString& text);
    // Boxes are shown where there is a display; tests turn them on offscreen.
    void SetErrorBoxes(bool shown) { errorBoxes_ = shown; }
    bool ShowingError() const { return showingError_; }
    // Errors that came while the box was open and were not shown.
    int DroppedErrors() const { return droppedErrors_; }

private:
    bool errorBoxes_;
    bool showingError_ = false;
    int droppedErrors_ = 0;
};

} // namespace netrova
