#pragma once

#include "history/UsagePerDay.h"

#include <QChartView>

namespace netrova {

// The statistics window's usage chart: connection time and fee per day as bars side by side,
// each against its own axis (time on the left, fee on the right).
//
// Series (objectName): "TimeSeries" with the set "Connection time", "FeeSeries" with "Fee".
class TUsageChartView : public QChartView {
    Q_OBJECT
public:
    explicit TUsageChartView(QWidget* parent = nullptr);

    void Show(const TUsageChart& usage);
    // No bars, and a title that says why.
    void ShowNothing(const QString& reason);
    void Clear();

    // Room for two months of bar pairs with their labels.
    QSize sizeHint() const override { return {640, 380}; }

protected:
    void changeEvent(QEvent* event) override;

private:
    // A dark chart on a dark palette, a light one on a light palette.
    void FollowPalette();
    void Recolour();

    bool themed_ = false;
};

} // namespace netrova
