#include "statistics/UsageChartView.h"

#include "platform/Contrast.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsLayout>
#include <QValueAxis>

#include <algorithm>

namespace netrova {

namespace {

// The bars' hues; each is made darker or lighter as the chart's background needs.
const QColor kTimeColour(0x3a, 0x6e, 0xa5);
const QColor kFeeColour(0xd9, 0x82, 0x2b);
const QColor kSentColour(0x4c, 0x9a, 0x5a);
// What a bar needs against its background to be seen.
constexpr double kBarContrast = 3.0;

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

// Kept on a value axis for Ticks: the highest value it has to reach, and the marks asked for.
const char* const kTop = "top";
const char* const kTicks = "ticks";
constexpr int kMostTicks = 5;

// Nice figures from 0 to at least the axis's top, on about `ticks` marks.
void Ticks(QValueAxis& axis, int ticks) {
    const double top = axis.property(kTop).toDouble();
    axis.setProperty(kTicks, ticks);
    axis.setTickCount(ticks);
    axis.setRange(0.0, top > 0.0 ? top : 1.0);
    axis.applyNiceNumbers();
    // Plain figures: "%g" would turn 50000 into "5e+04".
    const double step = (axis.max() - axis.min()) / std::max(1, axis.tickCount() - 1);
    axis.setLabelFormat(step >= 1.0   ? QStringLiteral("%.0f")
                        : step >= 0.1 ? QStringLiteral("%.1f")
                                      : QStringLiteral("%.2f"));
}

QValueAxis* ValueAxis(const QString& title, double top, QChart& chart, Qt::Alignment side) {
    auto* axis = new QValueAxis(&chart);
    axis->setTitleText(title);
    axis->setProperty(kTop, top);
    Ticks(*axis, kMostTicks);
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

UsageChartView::UsageChartView(QWidget* parent) : QChartView(parent) {
    setRenderHint(QPainter::Antialiasing);
    FollowPalette();
    chart()->legend()->setAlignment(Qt::AlignBottom);
    // The plot takes the room: no frame of empty space around the chart.
    chart()->setMargins(QMargins(4, 4, 4, 4));
    chart()->layout()->setContentsMargins(0, 0, 0, 0);
    chart()->setBackgroundRoundness(0);
    // The labels follow the room the plot has.
    connect(chart(), &QChart::plotAreaChanged, this, [this] { FitLabels(); });
}

QSize UsageChartView::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return {90 * metrics.averageCharWidth(), 25 * metrics.height()};
}

void UsageChartView::FollowPalette() {
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    const QChart::ChartTheme theme = dark ? QChart::ChartThemeDark : QChart::ChartThemeLight;
    if (chart()->theme() != theme || !themed_) {
        themed_ = true;
        // A theme sets the bars, the fonts and the background too: they are set again.
        chart()->setTheme(theme);
        SetFonts();
    }
    // One plain colour behind the bars, that of the palette's lists, rather than the theme's
    // gradient, so that their contrast holds over the whole chart.
    chart()->setBackgroundBrush(palette().color(QPalette::Base));
    Recolour();
}

void UsageChartView::SetFonts() {
    const QFont text = font();
    QFont title = text;
    title.setBold(true);
    chart()->setTitleFont(title);
    chart()->legend()->setFont(text);
    for (QAbstractAxis* axis : chart()->axes()) {
        axis->setLabelsFont(text);
        axis->setTitleFont(text);
    }
    // Other label sizes: another step may fit.
    labelStep_ = 0;
    FitLabels();
}

void UsageChartView::changeEvent(QEvent* event) {
    QChartView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        FollowPalette();
    else if (event->type() == QEvent::FontChange)
        SetFonts();
}

void UsageChartView::Recolour() {
    const QColor back = chart()->backgroundBrush().color();
    for (QAbstractSeries* s : chart()->series())
        if (auto* series = qobject_cast<QBarSeries*>(s))
            for (QBarSet* bars : series->barSets()) {
                const QColor hue = series->objectName() == QLatin1String("FeeSeries") ? kFeeColour
                                   : bars->label() == QLatin1String("Sent")           ? kSentColour
                                                                                      : kTimeColour;
                const QColor color = ReadableOn(hue, back, kBarContrast + 0.1);
                bars->setColor(color);
                bars->setBorderColor(color);
            }
}

void UsageChartView::Clear() {
    usage_.reset();
    labelStep_ = 0;
    QChart& c = *chart();
    c.removeAllSeries();
    for (QAbstractAxis* axis : c.axes()) {
        c.removeAxis(axis);
        delete axis;
    }
    c.setTitle(QString());
}

void UsageChartView::ShowNothing(const QString& reason) {
    Clear();
    chart()->setTitle(reason);
}

void UsageChartView::SetShows(ChartShows shows) {
    shows_ = shows;
    if (usage_)
        Draw();
}

void UsageChartView::Show(const ChartFigures& usage) {
    usage_ = usage;
    Draw();
}

void UsageChartView::Draw() {
    const ChartFigures usage = std::move(*usage_);
    Clear();
    usage_ = usage;
    QChart& c = *chart();
    c.setTitle(QString::fromStdString(usage.Range));

    // Bars sit at 0, 1, ...; FitLabels puts the labels on them.
    auto* days = new QCategoryAxis(&c);
    days->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const int count = static_cast<int>(usage.Labels.size());
    days->setRange(-0.5, count - 0.5);
    days->setGridLineVisible(false); // a line through each bar pair would only clutter it
    c.addAxis(days, Qt::AlignBottom);

    if (shows_ == ChartShows::Volume) {
        QBarSeries* volume = BarSeries(QStringLiteral("VolumeSeries"), QStringLiteral("Received"),
                                       usage.Received, c);
        auto* sent = new QBarSet(QStringLiteral("Sent"), volume);
        for (const double v : usage.Sent)
            sent->append(v);
        volume->append(sent);
        QValueAxis* axis =
            ValueAxis(QStringLiteral("Volume, MiB"),
                      std::max(Highest(usage.Received), Highest(usage.Sent)), c, Qt::AlignLeft);
        FollowPalette();
        volume->attachAxis(days);
        volume->attachAxis(axis);
        SetFonts();
        return;
    }
    QBarSeries* time =
        BarSeries(QStringLiteral("TimeSeries"), QStringLiteral("Connection time"), usage.Time, c);
    QValueAxis* timeAxis =
        ValueAxis(QLatin1String("Time, ") + QString::fromStdString(usage.TimeUnit),
                  Highest(usage.Time), c, Qt::AlignLeft);
    QBarSeries* fee = BarSeries(QStringLiteral("FeeSeries"), QStringLiteral("Fee"), usage.Fee, c);
    QValueAxis* feeAxis =
        ValueAxis(QStringLiteral("Fee, dol."), Highest(usage.Fee), c, Qt::AlignRight);
    // One set of grid lines, the time axis's: the fee's would cross them at other heights.
    feeAxis->setGridLineVisible(false);
    feeAxis->setMinorGridLineVisible(false);
    FollowPalette();
    time->attachAxis(days);
    time->attachAxis(timeAxis);
    fee->attachAxis(days);
    fee->attachAxis(feeAxis);
    SetFonts();
}

void UsageChartView::FitLabels() {
    const QRectF plot = chart()->plotArea();
    if (plot.isEmpty())
        return; // labelled once the chart has been laid out
    // The chart cuts a label to the plot's room shared among the labels, less some padding: a
    // label that does not fit is left out rather than cut. A short plot has fewer figures up its
    // side.
    for (QAbstractAxis* axis : chart()->axes(Qt::Vertical))
        if (auto* values = qobject_cast<QValueAxis*>(axis)) {
            const int line = QFontMetrics(values->labelsFont()).height();
            const int ticks =
                std::clamp(static_cast<int>(plot.height() / (1.5 * line + 8)), 2, kMostTicks);
            if (values->property(kTicks).toInt() != ticks)
                Ticks(*values, ticks);
        }
    QCategoryAxis* days = nullptr;
    for (QAbstractAxis* axis : chart()->axes(Qt::Horizontal))
        days = days ? days : qobject_cast<QCategoryAxis*>(axis);
    if (!days || !usage_ || usage_->Labels.empty())
        return;
    // The days: their plot width shared among the labels and one more.
    const std::vector<std::string>& labels = usage_->Labels;
    const QFontMetrics metrics(days->labelsFont());
    int widest = 0;
    for (const std::string& label : labels)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(label)));
    const int need = widest + 2 * metrics.averageCharWidth();
    const int count = static_cast<int>(labels.size());
    const auto fits = [&](int step, double share) {
        const int labelsShown = (count + step - 1) / step + 1; // whole labels: rounded up
        return need <= share * plot.width() / labelsShown;
    };
    // Each day, else each week, or each two weeks, ...: the smallest step whose labels fit.
    int step = 1;
    while (!fits(step, 1.0) && step < count)
        step = step == 1 ? 7 : step + 7;
    // A smaller step than the one shown only with some room to spare, so that the labels do not
    // change back and forth as they change the plot's width.
    if (labelStep_ != 0 && step < labelStep_ && !fits(step, 0.9))
        step = labelStep_;
    if (step == labelStep_)
        return;
    labelStep_ = step;
    for (const QString& label : days->categoriesLabels())
        days->remove(label);
    // From the last day back: today always has its label.
    for (int i = (count - 1) % step; i < count; i += step)
        days->append(QString::fromStdString(labels[static_cast<std::size_t>(i)]), i);
}

} // namespace netrova
