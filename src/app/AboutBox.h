#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace netrova {

class HelpViewer;

// "About": the logo picture in a frame, "OK" and "&Help". Fixed size, centred.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(HelpViewer& help, QWidget* parent = nullptr);
    ~TAboutBox() override;

    void HelpClick();

private:
    HelpViewer& help_;
    QLabel* ProgramIcon = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* HelpButton = nullptr;
};

} // namespace netrova
