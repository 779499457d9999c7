#include "history/UsageChartView.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QLegendMarker>
#include <QValueAxis>

namespace netrova {

namespace {

// Bars of two series in one category are drawn over each other; a series that holds its own
// bar and an empty one in the other's place puts them side by side.
QBarSeries* SideBySide(const QString& name, const QString& caption, const QColor& color,
                       const std::vector<double>& values, bool left, QChart& chart) {
    auto* series = new QBarSeries(&chart);
    series->setObjectName(name);
    auto* bars = new QBarSet(caption, series);
    bars->setColor(color);
    bars->setBorderColor(color.darker(130));
    auto* blank = new QBarSet(QString(), series);
    for (const double v : values) {
        bars->append(v);
        blank->append(0.0);
    }
    series->append(left ? QList<QBarSet*>{bars, blank} : QList<QBarSet*>{blank, bars});
    series->setBarWidth(0.9);
    chart.addSeries(series);
    for (QLegendMarker* marker : chart.legend()->markers(series))
        marker->setVisible(marker->label() == caption);
    return series;
}

QValueAxis* ValueAxis(const QString& title, double top, QChart& chart, Qt::Alignment side) {
    auto* axis = new QValueAxis(&chart);
    axis->setTitleText(title);
    axis->setRange(0.0, top > 0.0 ? top : 1.0);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.4g"));
    chart.addAxis(axis, side);
    return axis;
}

double Highest(const std::vector<double>& values) {
    double top = 0.0;
    for (const double v : values)
        top = std::max(top, v);
    return top;
}

} // namespace

TUsageChartView::TUsageChartView(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
}

void TUsageChartView::Clear() {
    QChart& c = *chart();
    c.removeAllSeries();
    for (QAbstractAxis* axis : c.axes()) {
        c.removeAxis(axis);
        delete axis;
    }
    c.setTitle(QString());
}

void TUsageChartView::ShowNothing(const QString& reason) {
    Clear();
    chart()->setTitle(reason);
}

void TUsageChartView::Show(const TUsageChart& usage) {
    Clear();
    QChart& c = *chart();
    c.setTitle(QString::fromStdString(usage.Range));

    // Bars sit at 0, 1, ...; a label on every day of a long period would not fit, so a long
    // one is labelled weekly, from its last day back.
    auto* days = new QCategoryAxis(&c);
    days->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const int count = static_cast<int>(usage.Labels.size());
    days->setRange(-0.5, count - 0.5);
    const int step = count > 14 ? 7 : 1;
    for (int i = (count - 1) % step; i < count; i += step)
        days->append(QString::fromStdString(usage.Labels[static_cast<std::size_t>(i)]), i);
    c.addAxis(days, Qt::AlignBottom);

    const QString timeCaption = QStringLiteral("Connection time");
    QBarSeries* time = SideBySide(QStringLiteral("TimeSeries"), timeCaption,
                                  QColor(0x3a, 0x6e, 0xa5), usage.Time, true, c);
    QValueAxis* timeAxis = ValueAxis("Time, " + QString::fromStdString(usage.TimeUnit),
                                     Highest(usage.Time), c, Qt::AlignLeft);
    QBarSeries* fee = SideBySide(QStringLiteral("FeeSeries"), QStringLiteral("Fee"),
                                 QColor(0xd9, 0x82, 0x2b), usage.Fee, false, c);
    QValueAxis* feeAxis =
        ValueAxis(QStringLiteral("Fee, dol."), Highest(usage.Fee), c, Qt::AlignRight);
    time->attachAxis(days);
    time->attachAxis(timeAxis);
    fee->attachAxis(days);
    fee->attachAxis(feeAxis);
}

} // namespace netrova
