#include "history/UsageChartView.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QValueAxis>

#include <algorithm>

namespace netrova {

namespace {

// Mid-tone bars that read on a light and a dark chart alike.
const QColor kTimeColour(0x3a, 0x6e, 0xa5);
const QColor kFeeColour(0xd9, 0x82, 0x2b);
const QColor kSentColour(0x4c, 0x9a, 0x5a);

// One set in a series of its own, so that it can have its own axis; the chart puts the bars
// of its bar series side by side in each category.
QBarSeries* BarSeries(const QString& name, const QString& caption,
                      const std::vector<double>& values, QChart& chart) {
    auto* series = new QBarSeries(&chart);
    series->setObjectName(name);
    auto* bars = new QBarSet(caption, series);
    for (const double v : values)
        bars->append(v);
    series->append(bars);
    series->setBarWidth(0.8);
    chart.addSeries(series);
    return series;
}

QValueAxis* ValueAxis(const QString& title, double top, QChart& chart, Qt::Alignment side) {
    auto* axis = new QValueAxis(&chart);
    axis->setTitleText(title);
    axis->setRange(0.0, top > 0.0 ? top : 1.0);
    axis->applyNiceNumbers();
    // Plain figures: "%g" would turn 50000 into "5e+04".
    const double step = (axis->max() - axis->min()) / std::max(1, axis->tickCount() - 1);
    axis->setLabelFormat(step >= 1.0   ? QStringLiteral("%.0f")
                         : step >= 0.1 ? QStringLiteral("%.1f")
                                       : QStringLiteral("%.2f"));
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
    FollowPalette();
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
}

void TUsageChartView::FollowPalette() {
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    const QChart::ChartTheme theme = dark ? QChart::ChartThemeDark : QChart::ChartThemeLight;
    if (chart()->theme() != theme || !themed_) {
        themed_ = true;
        // A theme recolours the bars too: they are set again.
        chart()->setTheme(theme);
        Recolour();
    }
}

void TUsageChartView::changeEvent(QEvent* event) {
    QChartView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        FollowPalette();
}

void TUsageChartView::Recolour() {
    for (QAbstractSeries* s : chart()->series())
        if (auto* series = qobject_cast<QBarSeries*>(s))
            for (QBarSet* bars : series->barSets()) {
                const QColor color = series->objectName() == QLatin1String("FeeSeries") ? kFeeColour
                                     : bars->label() == QLatin1String("Sent") ? kSentColour
                                                                              : kTimeColour;
                bars->setColor(color);
                bars->setBorderColor(color.darker(130));
            }
}

void TUsageChartView::Clear() {
    usage_.reset();
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

void TUsageChartView::SetShows(TChartShows shows) {
    shows_ = shows;
    if (usage_)
        Draw();
}

void TUsageChartView::Show(const TUsageChart& usage) {
    usage_ = usage;
    Draw();
}

void TUsageChartView::Draw() {
    const TUsageChart usage = std::move(*usage_);
    Clear();
    usage_ = usage;
    QChart& c = *chart();
    c.setTitle(QString::fromStdString(usage.Range));

    // Bars sit at 0, 1, ...; a label on every day of a long period would not fit, so a long
    // one is labelled weekly, from its last day back.
    auto* days = new QCategoryAxis(&c);
    days->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const int count = static_cast<int>(usage.Labels.size());
    days->setRange(-0.5, count - 0.5);
    days->setGridLineVisible(false); // a line through each bar pair would only clutter it
    const int step = count > 14 ? 7 : 1;
    for (int i = (count - 1) % step; i < count; i += step)
        days->append(QString::fromStdString(usage.Labels[static_cast<std::size_t>(i)]), i);
    c.addAxis(days, Qt::AlignBottom);

    if (shows_ == TChartShows::Volume) {
        QBarSeries* volume = BarSeries(QStringLiteral("VolumeSeries"), QStringLiteral("Received"),
                                       usage.Received, c);
        auto* sent = new QBarSet(QStringLiteral("Sent"), volume);
        for (const double v : usage.Sent)
            sent->append(v);
        volume->append(sent);
        QValueAxis* axis =
            ValueAxis(QStringLiteral("Volume, MiB"),
                      std::max(Highest(usage.Received), Highest(usage.Sent)), c, Qt::AlignLeft);
        Recolour();
        volume->attachAxis(days);
        volume->attachAxis(axis);
        return;
    }
    QBarSeries* time =
        BarSeries(QStringLiteral("TimeSeries"), QStringLiteral("Connection time"), usage.Time, c);
    QValueAxis* timeAxis = ValueAxis("Time, " + QString::fromStdString(usage.TimeUnit),
                                     Highest(usage.Time), c, Qt::AlignLeft);
    QBarSeries* fee = BarSeries(QStringLiteral("FeeSeries"), QStringLiteral("Fee"), usage.Fee, c);
    QValueAxis* feeAxis =
        ValueAxis(QStringLiteral("Fee, dol."), Highest(usage.Fee), c, Qt::AlignRight);
    // One set of grid lines, the time axis's: the fee's would cross them at other heights.
    feeAxis->setGridLineVisible(false);
    feeAxis->setMinorGridLineVisible(false);
    Recolour();
    time->attachAxis(days);
    time->attachAxis(timeAxis);
    fee->attachAxis(days);
    fee->attachAxis(feeAxis);
}

} // namespace netrova
