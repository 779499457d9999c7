#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QTimer;

namespace netrova {

class SettingsStore;

// The logo picture (282 x 251), drawn from the program's SVG at the device pixel ratio given;
// the About box shows it too.
QPixmap LogoPicture(qreal ratio = 1.0);

// The start-up logo: no frame, on top, centred, a 278 x 251 client area showing the picture.
// Its timer runs from creation; each tick closes the window, so shown modally it holds the
// start for about a second.
class TForm8 : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 278;
    static constexpr int kClientHeight = 251;

    explicit TForm8(QWidget* parent = nullptr);
    ~TForm8() override;

    // The start-up's logo step: shows the logo modally when "Logo" asks for it (or the user
    // has no settings yet). Returns whether it was shown.
    static bool ShowAtStart(SettingsStore& store, QWidget* parent = nullptr);

    void CloseTimerTimer();

private:
    QLabel* LogoImage = nullptr;
    QTimer* CloseTimer = nullptr;
};

} // namespace netrova
