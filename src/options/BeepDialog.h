#pragma once

#include "platform/DialogSupport.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace netrova {

class HelpViewer;
class MessageBoxes;
class SettingsStore;
class Monitor;

// "Beep": the reminder's interval, on/off and sound. One instance for the program's life; it
// works on the monitor's beep state.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    TForm4(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, Monitor& mon,
           QWidget* parent = nullptr);
    ~TForm4() override;

    // The command behind "&Beep ...": shows the dialog modally, then reads the settings again
    // whatever way it closed. A store error of its handlers is thrown from here.
    int Execute();

    // Loads the controls from the store; queued at every showing, tests call it directly.
    void FormActivate();

    // Handlers.
    void EnabledBoxClick();
    void IntervalChange();
    void BitBtn1Click(); // OK
    void HelpClick();

    DialogErrors& Errors() { return errors_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    int CheckedSound() const;

    SettingsStore& store_;
    MessageBoxes& boxes_;
    HelpViewer& help_;
    Monitor& mon_;
    DialogErrors errors_;

    QPlainTextEdit* Explanation = nullptr;
    QLineEdit* Interval = nullptr;
    QCheckBox* EnabledBox = nullptr;
    // Sounds 1..4, named SoundButton1..SoundButton4.
    QRadioButton* SoundButtons[4] = {};
};

} // namespace netrova
