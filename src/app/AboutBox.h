#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace netrova {

class HelpViewer;

// "About": the logo picture in a frame, "OK" and "&Help". Fixed size, centred.
//
// Controls (objectName = control name): Panel1 the frame, ProgramIcon the picture,
// OKButton "OK", HelpBtn "&Help".
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(HelpViewer& help, QWidget* parent = nullptr);
    ~TAboutBox() override;

    void HelpBtnClick();

private:
    HelpViewer& help_;
    QLabel* ProgramIcon = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* HelpBtn = nullptr;
};

} // namespace netrova
