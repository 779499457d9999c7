#pragma once

#include "platform/DialogSupport.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace netrova {

class HelpViewer;
struct LimitSettings;
class MessageBoxes;
class SettingsStore;

// "Limits": the counting period's money and data limits, the two warning levels and the
// hang-up at a limit. One instance for the program's life; it works on the store's limits.
class LimitsDialog : public QDialog {
    Q_OBJECT
public:
    // canHangUp: whether the dial-up source can end a connection; without, the hang-up
    // choice is kept as stored but cannot be changed.
    LimitsDialog(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, bool canHangUp,
                 QWidget* parent = nullptr);
    ~LimitsDialog() override;

    // The connection source may change while the program runs.
    void SetCanHangUp(bool canHangUp);

    // Runs the dialog modally. A store error of its handlers is thrown from here after the
    // dialog has closed.
    int Execute();

    // Loads the controls from the store; every showing runs it, tests call it directly.
    void FormActivate();

    // The limits as the controls hold them.
    LimitSettings Shown() const;

    // Handlers.
    void OkClick();
    void HelpClick();

    DialogErrors& Errors() { return errors_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void EnableAmounts();
    void UnitChange();

    SettingsStore& store_;
    MessageBoxes& boxes_;
    HelpViewer& help_;
    bool canHangUp_;
    DialogErrors errors_;
    int shownUnit_ = 0; // the unit VolumeLimit's number is in: 0 MiB, 1 GiB

    QCheckBox* MoneyLimitOn = nullptr;
    QDoubleSpinBox* MoneyLimit = nullptr;
    QCheckBox* VolumeLimitOn = nullptr;
    QSpinBox* VolumeLimit = nullptr;
    QComboBox* VolumeUnit = nullptr;
    // The warnings, in percent of a limit.
    QSpinBox* Warn1 = nullptr;
    QSpinBox* Warn2 = nullptr;
    QCheckBox* HangUp = nullptr;
};

} // namespace netrova
