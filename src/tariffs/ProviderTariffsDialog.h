#pragma once

#include "platform/DialogSupport.h"
#include "tariffs/Tariffs.h"

#include <QDialog>

class QListWidget;
class QMimeData;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace netrova {

class HelpViewer;
class MessageBoxes;

// "Tariffs": assigns tariff profiles to the week days and the holiday of every provider, by drag
// and drop or from the keyboard. A new instance for every opening.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    // Carried by a drag from the tariff list: the profile's name as UTF-8.
    static constexpr const char* kDragMimeType = "application/x-netrova-tariff";
    // Carried by a drag from the day list: the day row as decimal text.
    static constexpr const char* kDayDragMimeType = "application/x-netrova-tariff-day";

    TForm3(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, QWidget* parent = nullptr);
    ~TForm3() override;

    // Creates, runs modally and destroys the dialog. A store error of its handlers is thrown
    // from here after the dialog has closed.
    static int Execute(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help,
                       QWidget* parent);

    // Loads the dialog from the store; closes it when there is no profile. The first showing
    // runs it once (queued, so that it may close the dialog); tests call it directly.
    void FormActivate();

    void LoadProviderList();
    // False when the store holds no profile.
    bool LoadAssignableTariffs();
    void ReadDayMap(int provider);
    void ShowDayMap(int provider);
    void KeepDayMap(int provider);

    // Handlers.
    void ListBox1Click(int row);
    void AssignClick();
    void RemoveClick();
    void BitBtn1Click(); // OK
    void HelpClick();

    // Drag and drop, through the lists' models: what a drag from a row carries (nullptr when
    // the row gives nothing to drag), and whether a drop is taken, applied when `apply`. A
    // profile goes onto a day; a day's profile dragged back onto the tariffs leaves the day.
    QMimeData* TariffDragData(int row) const;
    QMimeData* DayDragData(int day) const;
    bool DropOnDay(const QMimeData& data, int day, bool apply);
    bool DropOnTariffs(const QMimeData& data, bool apply);

    int CurrentProvider() const { return current_; }
    DialogErrors& Errors() { return errors_; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitLists();
    void UpdateSideButtons();
    std::vector<int> SelectedDays() const;
    // Shows a day row's tariff name, empty for none.
    void SetDayTariff(int day, const QString& name);

    struct ProviderDays {
        std::string Name;
        DayTariffs Days;
        bool Visited = false;
    };

    void BuildControls();
    void ClearDayRows();

    SettingsStore& store_;
    MessageBoxes& boxes_;
    HelpViewer& help_;
    DialogErrors errors_;

    std::vector<ProviderDays> providers_;
    TariffProfiles tariffs_;
    int current_ = 0;
    bool activated_ = false;

    QListWidget* ListBox1 = nullptr; // the providers
    // The assignable profiles; drag source and drop target.
    QTreeWidget* Tariff = nullptr;
    // Eight rows, the tariff and the day; drop target and drag source. Several rows may be
    // selected; Del takes their tariffs off.
    QTreeWidget* Days = nullptr;
    QPushButton* AssignButton = nullptr; // the current tariff onto the selected days
    QPushButton* RemoveButton = nullptr; // the selected days without a tariff
};

} // namespace netrova
