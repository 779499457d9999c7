#pragma once

#include "platform/DialogSupport.h"
#include "tariffs/Tariffs.h"

#include <QDialog>
#include <QPoint>
#include <QString>

class QListWidget;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace netrova {

class HelpViewer;
class MessageBoxes;

// "Tariffs": assigns tariff profiles to the week days and the holiday of every provider by drag
// and drop. A new instance for every opening.
//
// Controls (objectName = control name):
//   ListBox1  the providers, in the group "Choose a provider:"
//   Tariff    the assignable profiles (one column "Tariffs"); drag source and drop target
//   Days      eight rows, columns "Tariff's name" and "Week days"; drop target and drag source
//   BitBtn1   "OK"     BitBtn2 "Cancel"     BitBtn3 "&Help"
class TForm3 : public QDialog {
    Q_OBJECT
public:
    // Where a prepared drag comes from.
    enum class DragOrigin { None, TariffList, DayList };

    // Carried by the drags of this dialog: the dragged name as UTF-8.
    static constexpr const char* kDragMimeType = "application/x-netrova-tariff";

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
    void WriteDayMap(int provider);

    // Handlers.
    void ListBox1Click(int row);
    void BitBtn1Click(); // OK
    void BitBtn3Click(); // help

    // Drag and drop. Positions are in the viewport of the list concerned. The real drag and
    // drop events of the two lists come through these.
    void TariffMouseDown(Qt::MouseButton button, const QPoint& pos);
    void DaysMouseDown(Qt::MouseButton button, const QPoint& pos);
    bool DaysDragOver(const QPoint& pos) const;
    void DaysDragDrop(const QPoint& pos);
    bool TariffDragOver() const;
    void TariffDragDrop();
    void EndDrag();
    DragOrigin Origin() const { return origin_; }

    int CurrentProvider() const { return current_; }
    DialogErrors& Errors() { return errors_; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FitLists();
    struct ProviderDays {
        std::string Name;
        DayTariffs Days;
        bool Visited = false;
    };

    void BuildControls();
    void ClearDayRows();
    bool HandleDragEvent(QWidget* viewport, QEvent* event);
    void StartDrag(QWidget* source);

    SettingsStore& store_;
    MessageBoxes& boxes_;
    HelpViewer& help_;
    DialogErrors errors_;

    std::vector<ProviderDays> providers_;
    TariffProfiles tariffs_;
    int current_ = 0;
    bool activated_ = false;

    DragOrigin origin_ = DragOrigin::None;
    int dragRow_ = -1; // day row of a drag from the day list
    QString dragName_;
    QPoint pressPos_;

    QListWidget* ListBox1 = nullptr;
    QTreeWidget* Tariff = nullptr;
    QTreeWidget* Days = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
};

} // namespace netrova
