#pragma once

#include "statistics/UsagePerDay.h"

#include <QChartView>

#include <optional>

namespace netrova {

// What the usage chart shows of each day.
enum class ChartShows { TimeAndFee, Volume };

// The statistics window's usage chart: connection time and fee per day as bars side by side,
// each against its own axis (time on the left, fee on the right); or the volume received and
// sent per day, side by side against one axis in MiB.
//
// Series (objectName): "TimeSeries" with the set "Connection time", "FeeSeries" with "Fee";
// "VolumeSeries" with "Received" and "Sent". The chart's texts are in the window's font; each
// bar colour has at least 3:1 against the chart's background, which follows the palette.
class UsageChartView : public QChartView {
    Q_OBJECT
public:
    explicit UsageChartView(QWidget* parent = nullptr);

    void Show(const ChartFigures& usage);
    // Draws the chart shown again with the other figures.
    void SetShows(ChartShows shows);
    ChartShows Shows() const { return shows_; }
    // No bars, and a title that says why.
    void ShowNothing(const QString& reason);
    void Clear();

    // Room for two months of bar pairs with their labels, in the window's font.
    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    // A dark chart on a dark palette, a light one on a light palette, its texts in the window's
    // font.
    void FollowPalette();
    void Recolour();
    void SetFonts();

    void Draw();
    // Labels every day, or every week or more where the days' labels would not fit; fewer
    // figures up the sides of a short chart.
    void FitLabels();

    bool themed_ = false;
    ChartShows shows_ = ChartShows::TimeAndFee;
    std::optional<ChartFigures> usage_;
    int labelStep_ = 0; // days from one label to the next; 0 before the first labelling
};

} // namespace netrova
