#pragma once

#include "common/Volume.h"
#include "counter/HistoryGroup.h"

#include <QWidget>

#include <optional>
#include <string>

class QGroupBox;
class QHBoxLayout;
class QLabel;

namespace netrova {

// What the main window shows of the connection and the counter: the heading, the connection
// group, the "History" group and the clock. Each value field has a fixed size with room for its
// widest text at the window's font, so that the texts of a tick never lay the window out again;
// the window fits around them.
class StatusPanel : public QWidget {
    Q_OBJECT
public:
    explicit StatusPanel(QWidget* parent);

    // The row under the groups, the clock on its left: the window adds its buttons.
    QHBoxLayout* BottomRow() const { return bottom_; }

    void ShowConnectionStatus(const std::string& caption);
    void ShowProvider(const std::string& provider);
    void ShowUser(const std::string& user);
    void ShowConnectedPicture(bool connected);
    void ShowConnTime(const std::string& text);
    void ShowFee(const std::string& text);
    void ShowTotalMoney(const std::string& text);
    void ShowVolume(const std::optional<Volume>& connection, const std::optional<Volume>& second,
                    const Volume& period);
    void ShowHistoryGroup(const std::string& allTime, const HistoryGroupTexts& texts);
    // The "Money limit :" and "Data limit :" rows, shown while their text is not empty.
    void ShowLimitFields(const std::string& money, const std::string& volume);
    void ShowClock(const std::string& text);
    void FitFields();

protected:
    void changeEvent(QEvent* event) override;

private:
    // Shows a value; one wider than its field widens the fields (once).
    void SetValue(QLabel* label, const std::string& text);
    // The fields' colours, made readable on the palette's window colour.
    void ApplyColours();

    // Room for a value field's text, and whether a refit is already on its way.
    int valueWidth_ = 0;
    bool fitPending_ = false;
    QHBoxLayout* bottom_ = nullptr;

    QLabel* Heading = nullptr;
    QGroupBox* ConnectionBox = nullptr;
    QLabel* ConnTimeValue = nullptr;
    QLabel* FeeValue = nullptr;
    QLabel* ReceivedValue = nullptr;
    QLabel* SentValue = nullptr;
    QLabel* UserValue = nullptr;
    QLabel* ProviderValue = nullptr;
    QLabel* ConnectedImage = nullptr;
    QLabel* NotConnectedImage = nullptr;
    QGroupBox* HistoryBox = nullptr;
    QLabel* AllTimeValue = nullptr;
    QLabel* AverageValue = nullptr; // average per day
    QLabel* GeneralFeeValue = nullptr;
    QLabel* PeriodVolumeValue = nullptr;
    QLabel* MoneyLimitValue = nullptr;  // shown only while the limit is set
    QLabel* VolumeLimitValue = nullptr; // the same
    QLabel* CountingSinceValue = nullptr;
    QLabel* ResetOnValue = nullptr;
    QLabel* ClockLabel = nullptr;
};

} // namespace netrova
