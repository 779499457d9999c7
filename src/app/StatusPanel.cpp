#include "app/StatusPanel.h"

#include "app/StatusPictures.h"
#include "common/Text.h"
#include "platform/Contrast.h"
#include "platform/Guarded.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace netrova {

namespace {

const QColor kHeading(23, 63, 128);
const QColor kMaroon(128, 0, 0);
const QColor kRed(255, 0, 0);

// The longest texts the value fields usually hold: each field has room for all of them.
const char* const kWidestValues[] = {"99999 h. 59 min. 59 sec.", "9999999 dol. 99 c.",
                                     "No tariffs for provider", "No tariff for this day",
                                     "999.9 MiB (999.9 KiB/s)"};
const char* const kWidestClock = "88:88:88";

// Properties of a name field: the whole name, and the hint it shows while the name fits.
const char* const kFullName = "fullName";
const char* const kHint = "hint";

// A name field shows its name cut with "..." to the room it has; the whole name becomes its
// hint while it is cut.
void ShowName(QLabel* label, int width) {
    const QString full = label->property(kFullName).toString();
    const QString shown = label->fontMetrics().elidedText(full, Qt::ElideRight, width);
    if (label->text() != shown)
        label->setText(shown);
    label->setToolTip(shown == full ? label->property(kHint).toString() : full);
}

void SetName(QLabel* label, const std::string& name, int width) {
    const QVariant full(QString::fromStdString(name));
    if (label->property(kFullName) == full)
        return;
    label->setProperty(kFullName, full);
    ShowName(label, width);
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

// A field whose text changes while the program runs paints its own background, a field's, so
// that a new text repaints the field alone, not the group and the window behind it.
QLabel* NewValueLabel(QWidget* parent, const char* name) {
    QLabel* label = NewLabel(parent, name);
    label->setBackgroundRole(QPalette::Base);
    label->setAutoFillBackground(true);
    // Names come from the desktop's connection list: never taken for markup.
    label->setTextFormat(Qt::PlainText);
    return label;
}

void SetTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(widget->foregroundRole(), color);
    widget->setPalette(palette);
}

void SetBold(QWidget* widget) {
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

// One row of a group: caption on the left, value beside it; the hint belongs to both. The
// caption is the value's buddy, so that a screen reader says what the value is.
QLabel* AddField(QGridLayout* grid, QWidget* group, const char* captionName, const char* caption,
                 const char* valueName, const char* hint) {
    const int row = grid->count() / 2;
    QLabel* captionLabel = NewLabel(group, captionName, QString::fromLatin1(caption));
    QLabel* value = NewValueLabel(group, valueName);
    captionLabel->setToolTip(QString::fromLatin1(hint));
    value->setToolTip(QString::fromLatin1(hint));
    value->setProperty(kHint, value->toolTip());
    captionLabel->setBuddy(value);
    grid->addWidget(captionLabel, row, 0);
    grid->addWidget(value, row, 1, Qt::AlignLeft);
    return value;
}

QGridLayout* NewFieldGrid(QGroupBox* group) {
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(4);
    return grid;
}

// A row of a group shown or hidden with its caption.
void ShowField(QLabel* value, bool shown) {
    for (QLabel* label : value->parentWidget()->findChildren<QLabel*>())
        if (label->buddy() == value)
            label->setVisible(shown);
    value->setVisible(shown);
}

} // namespace

StatusPanel::StatusPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Heading = NewLabel(this, "Heading", QStringLiteral("Netrova 1.2"));
    Heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(Heading);

    ConnectionBox = new QGroupBox(QStringLiteral("Not connected"), this);
    ConnectionBox->setObjectName(QStringLiteral("ConnectionBox"));
    QGridLayout* status = NewFieldGrid(ConnectionBox);
    ConnTimeValue = AddField(status, ConnectionBox, "ConnTimeCaption",
                             "Con. time :", "ConnTimeValue", "Current or last connection time");
    FeeValue = AddField(status, ConnectionBox, "FeeCaption", "Current fee :", "FeeValue",
                        "Current or last connection money for Internet");
    ReceivedValue =
        AddField(status, ConnectionBox, "ReceivedCaption", "Received :", "ReceivedValue",
                 "Data received by the current or last connection, and per second");
    SentValue = AddField(status, ConnectionBox, "SentCaption", "Sent :", "SentValue",
                         "Data sent by the current or last connection, and per second");
    UserValue =
        AddField(status, ConnectionBox, "UserCaption", "User :", "UserValue", "Connected user ");
    ProviderValue = AddField(status, ConnectionBox, "ProviderCaption",
                             "Provider :", "ProviderValue", "Internet Provider");

    ConnectedImage = NewLabel(ConnectionBox, "ConnectedImage");
    ConnectedImage->setPixmap(ConnectedPicture());
    ConnectedImage->setToolTip(QStringLiteral("Connected"));
    ConnectedImage->setAccessibleName(ConnectedImage->toolTip());
    ConnectedImage->setAccessibleDescription(ConnectedImage->toolTip());
    NotConnectedImage = NewLabel(ConnectionBox, "NotConnectedImage");
    NotConnectedImage->setPixmap(NotConnectedPicture());
    NotConnectedImage->setToolTip(QStringLiteral("Not connected"));
    NotConnectedImage->setAccessibleName(NotConnectedImage->toolTip());
    NotConnectedImage->setAccessibleDescription(NotConnectedImage->toolTip());
    // Both pictures share one place; only one of them is shown.
    status->addWidget(ConnectedImage, 0, 2, status->rowCount(), 1, Qt::AlignCenter);
    status->addWidget(NotConnectedImage, 0, 2, status->rowCount(), 1, Qt::AlignCenter);
    ConnectedImage->hide();
    layout->addWidget(ConnectionBox);

    HistoryBox = new QGroupBox(QStringLiteral("History"), this);
    HistoryBox->setObjectName(QStringLiteral("HistoryBox"));
    QGridLayout* history = NewFieldGrid(HistoryBox);
    AllTimeValue =
        AddField(history, HistoryBox, "AllTimeCaption", "All Con. time :", "AllTimeValue",
                 "All connections time sice the last counter reset");
    AverageValue = AddField(history, HistoryBox, "AverageCaption",
                            "Average t. p. d. :", "AverageValue", "Average time per day");
    GeneralFeeValue =
        AddField(history, HistoryBox, "GeneralFeeCaption", "General fee :", "GeneralFeeValue",
                 "All money for the Internet since the last counter reset");
    PeriodVolumeValue =
        AddField(history, HistoryBox, "PeriodVolumeCaption", "All volume :", "PeriodVolumeValue",
                 "All data received and sent since the last counter reset");
    MoneyLimitValue =
        AddField(history, HistoryBox, "MoneyLimitCaption", "Money limit :", "MoneyLimitValue",
                 "The share of the money limit used so far");
    VolumeLimitValue =
        AddField(history, HistoryBox, "VolumeLimitCaption", "Data limit :", "VolumeLimitValue",
                 "The share of the data limit used so far");
    ShowField(MoneyLimitValue, false);
    ShowField(VolumeLimitValue, false);
    CountingSinceValue =
        AddField(history, HistoryBox, "CountingSinceCaption",
                 "Counting since :", "CountingSinceValue", "The last counter reset");
    ResetOnValue = AddField(history, HistoryBox, "ResetOnCaption", "Reset on :", "ResetOnValue",
                            "When the counter will be reset");
    SetBold(ResetOnValue);
    layout->addWidget(HistoryBox);

    bottom_ = new QHBoxLayout;
    layout->addLayout(bottom_);

    ClockLabel = NewValueLabel(this, "ClockLabel");
    // The clock stands on the window itself, not in a field.
    ClockLabel->setBackgroundRole(QPalette::Window);
    ClockLabel->setToolTip(QStringLiteral("Current time "));
    SetBold(ClockLabel);
    bottom_->addWidget(ClockLabel);
    bottom_->addStretch();
    ApplyColours();
}

void StatusPanel::changeEvent(QEvent* event) {
    // Refitted once every widget has the new font.
    if (event->type() == QEvent::FontChange && !fitPending_) {
        fitPending_ = true;
        QTimer::singleShot(0, this, Guarded([this] { FitFields(); }));
    }
    if (event->type() == QEvent::PaletteChange)
        ApplyColours();
    QWidget::changeEvent(event);
}

void StatusPanel::ShowClock(const std::string& text) {
    SetValue(ClockLabel, text);
}

void StatusPanel::ShowHistoryGroup(const std::string& allTime, const HistoryGroupTexts& texts) {
    SetValue(AllTimeValue, allTime);
    SetValue(CountingSinceValue, texts.countingSince);
    SetValue(ResetOnValue, texts.resetOn);
    SetValue(AverageValue, texts.average);
}

void StatusPanel::ShowLimitFields(const std::string& money, const std::string& volume) {
    for (const auto& [value, text] :
         {std::pair{MoneyLimitValue, &money}, {VolumeLimitValue, &volume}}) {
        const bool set = !text->empty();
        SetValue(value, *text);
        if (value->isHidden() == set) {
            ShowField(value, set);
            FitFields();
        }
    }
}

void StatusPanel::SetValue(QLabel* label, const std::string& text) {
    const QString value = QString::fromStdString(text);
    // Most ticks change nothing but the clock.
    if (label->text() == value)
        return;
    // Measuring a text costs more than showing it: only a longer one can need more room.
    const bool longer = value.size() > label->text().size();
    label->setText(value);
    if (longer && label->fontMetrics().horizontalAdvance(value) > label->width())
        FitFields();
}

void StatusPanel::FitFields() {
    fitPending_ = false;
    QFont heading = font();
    heading.setBold(true);
    if (heading.pointSizeF() > 0)
        heading.setPointSizeF(heading.pointSizeF() * 1.5);
    else
        heading.setPixelSize(heading.pixelSize() * 3 / 2);
    Heading->setFont(heading);

    QLabel* const values[] = {
        ConnTimeValue,   FeeValue,         ReceivedValue,      SentValue,       UserValue,
        ProviderValue,   AllTimeValue,     AverageValue,       GeneralFeeValue, PeriodVolumeValue,
        MoneyLimitValue, VolumeLimitValue, CountingSinceValue, ResetOnValue};
    int width = 0;
    for (const QLabel* value : values) {
        const QFontMetrics metrics(value->font());
        for (const char* text : kWidestValues)
            width = std::max(width, metrics.horizontalAdvance(QLatin1String(text)));
        // Names are cut to the room, other values make room for themselves.
        if (value != UserValue && value != ProviderValue)
            width = std::max(width, metrics.horizontalAdvance(value->text()));
    }
    // A digit to spare: a text as long as one that fitted may still be a little wider.
    valueWidth_ = width + fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (QLabel* value : values)
        value->setFixedSize(valueWidth_, QFontMetrics(value->font()).height());
    for (QLabel* name : {UserValue, ProviderValue})
        ShowName(name, valueWidth_);
    const QFontMetrics clock(ClockLabel->font());
    ClockLabel->setFixedSize(std::max(clock.horizontalAdvance(QLatin1String(kWidestClock)),
                                      clock.horizontalAdvance(ClockLabel->text())),
                             clock.height());

    // One caption width for both groups, so that their values line up.
    int captionWidth = 0;
    for (const QGroupBox* group : {ConnectionBox, HistoryBox})
        for (const QLabel* label : group->findChildren<QLabel*>())
            if (label->buddy())
                captionWidth = std::max(captionWidth, label->sizeHint().width());
    for (QGroupBox* group : {ConnectionBox, HistoryBox})
        static_cast<QGridLayout*>(group->layout())->setColumnMinimumWidth(0, captionWidth);
    // The history group keeps a column as wide as the pictures of the group above.
    static_cast<QGridLayout*>(HistoryBox->layout())
        ->setColumnMinimumWidth(2, NotConnectedImage->sizeHint().width());

    // The layouts hold on to the sizes of before until told; the window fits around the panel.
    QWidget* top = window();
    for (QLayout* l : top->findChildren<QLayout*>())
        l->invalidate();
    for (QWidget* w = HistoryBox; w && w != top; w = w->parentWidget())
        w->updateGeometry();
    ConnectionBox->updateGeometry();
    if (top != this)
        top->setFixedSize(top->sizeHint());
}

void StatusPanel::ApplyColours() {
    // The window's palette is new by now; its labels' may not be yet.
    const auto colour = [this](QLabel* label, const QColor& wanted) {
        SetTextColor(label, ReadableOn(wanted, palette().color(label->backgroundRole()), 4.5));
    };
    colour(Heading, kHeading);
    for (QLabel* label : {ConnTimeValue, FeeValue, ClockLabel})
        colour(label, kMaroon);
    for (QLabel* label : {AllTimeValue, GeneralFeeValue})
        colour(label, kRed);
}

void StatusPanel::ShowConnectionStatus(const std::string& caption) {
    const QString title = QString::fromStdString(caption);
    if (ConnectionBox->title() != title)
        ConnectionBox->setTitle(title);
}

void StatusPanel::ShowProvider(const std::string& provider) {
    SetName(ProviderValue, provider, valueWidth_);
}

void StatusPanel::ShowUser(const std::string& user) {
    SetName(UserValue, user, valueWidth_);
}

void StatusPanel::ShowConnectedPicture(bool connected) {
    ConnectedImage->setVisible(connected);
    NotConnectedImage->setVisible(!connected);
}

void StatusPanel::ShowConnTime(const std::string& text) {
    SetValue(ConnTimeValue, text);
}

void StatusPanel::ShowFee(const std::string& text) {
    SetValue(FeeValue, text);
}

void StatusPanel::ShowTotalMoney(const std::string& text) {
    SetValue(GeneralFeeValue, text);
}

void StatusPanel::ShowVolume(const std::optional<Volume>& connection,
                             const std::optional<Volume>& second, const Volume& period) {
    const auto text = [&](std::uint64_t Volume::*part) {
        std::optional<std::uint64_t> bytes;
        if (connection)
            bytes = (*connection).*part;
        std::string shown = FormatVolume(bytes);
        if (bytes && second)
            shown += " (" + FormatVolumeRate((*second).*part) + ")";
        return shown;
    };
    SetValue(ReceivedValue, text(&Volume::Received));
    SetValue(SentValue, text(&Volume::Sent));
    SetValue(PeriodVolumeValue, FormatVolume(period.Total()));
}

} // namespace netrova
