#pragma once

#include "platform/DialogSupport.h"
#include "tariffs/TariffEditor.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace netrova {

class HelpViewer;
class MessageBoxes;

// "Tariffs Options": the tariff profile editor. A new instance for every opening.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    TForm5(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, QWidget* parent = nullptr);
    ~TForm5() override;

    // Creates, runs modally and destroys the dialog. A store error of its handlers is thrown
    // from here after the dialog has closed.
    static int Execute(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help,
                       QWidget* parent);

    // Loads the dialog from the store. The first showing runs it once (queued, so that it may
    // close the dialog); tests call it directly. Later calls do nothing.
    void FormActivate();

    void LoadProfiles();
    void ShowProfile();
    void ResetProfileFields();
    void ToggleOneCostPerDay();

    // Handlers.
    void ListBox1Click(int row);
    void CreateClick();
    void RenameClick();
    void DeleteClick();
    void BitBtn1Click(); // OK
    void HelpClick();

    bool OneCostPerDay() const { return oneCostPerDay_; }
    int CurrentIndex() const { return editor_.Current(); }
    DialogErrors& Errors() { return errors_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void FitList();
    void NumberChanged(QLineEdit* field, bool isHour);
    void SelectRow(int row);
    void ShowNames();
    void ShowCurrentName();
    // The numbers the fields show, as the current profile takes them back.
    TariffProfile ShownNumbers() const;
    void KeepShown();

    MessageBoxes& boxes_;
    HelpViewer& help_;
    DialogErrors errors_;

    // The profiles and their rules; the list and the fields show its current profile.
    TariffEditor editor_;
    bool oneCostPerDay_ = false;
    bool activated_ = false;

    QListWidget* ListBox1 = nullptr; // the tariff list
    QLineEdit* Edit7 = nullptr;      // the name
    QPushButton* CreateButton = nullptr;
    QPushButton* RenameButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QLineEdit* Edit5 = nullptr; // hours where interval 'A' begins and ends
    QLineEdit* Edit6 = nullptr;
    QLineEdit* Edit1 = nullptr; // where 'B' begins and ends: read-only mirrors of Edit6 and Edit5
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr; // cost per minute of 'A' and 'B', in cents
    QLineEdit* Edit4 = nullptr;
    QToolButton* SpeedButton3 = nullptr; // "OCPD": pressed and showing a mark while on
};

} // namespace netrova
