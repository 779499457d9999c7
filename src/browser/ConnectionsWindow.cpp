#include "browser/ConnectionsWindow.h"

#include "browser/LoadPacer.h"
#include "platform/Clock.h"
#include "platform/DialogSupport.h"
#include "platform/Guarded.h"
#include "platform/HelpViewer.h"
#include "platform/ListViews.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace netrova {

namespace {

constexpr int kPictureSize = 16;

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

// The figures and the sort groups side by side when there is room, else the groups under the
// figures, so that a narrow screen or a large font clips none of their texts.
class SummaryPane : public QWidget {
public:
    SummaryPane(QLayout* figures, QWidget* groups, QWidget* parent)
        : QWidget(parent), box_(new QBoxLayout(QBoxLayout::LeftToRight, this)), figures_(figures),
          groups_(groups) {
        box_->setContentsMargins(0, 0, 0, 0);
        box_->addLayout(figures, 1);
        box_->addWidget(groups, 0, Qt::AlignBottom);
    }

    QSize minimumSizeHint() const override {
        return {std::max(figures_->minimumSize().width(), groups_->minimumSizeHint().width()),
                box_->minimumSize().height()};
    }
    QSize sizeHint() const override {
        return {std::max(WideWidth(), box_->sizeHint().width()), box_->sizeHint().height()};
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        const auto direction =
            width() >= WideWidth() ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
        if (direction != box_->direction()) {
            box_->setDirection(direction);
            updateGeometry();
        }
    }

private:
    int WideWidth() const {
        return figures_->minimumSize().width() + box_->spacing() +
               groups_->minimumSizeHint().width();
    }

    QBoxLayout* box_;
    QLayout* figures_;
    QWidget* groups_;
};

// The summary's place: all of it where there is room; on a screen too low for the window, it
// scrolls rather than being squeezed.
class SummaryArea : public QScrollArea {
public:
    SummaryArea(QWidget* summary, QWidget* parent) : QScrollArea(parent) {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWidget(summary);
        viewport()->setAutoFillBackground(false);
        summary->setAutoFillBackground(false);
    }

    QSize sizeHint() const override { return widget()->sizeHint(); }
    QSize minimumSizeHint() const override {
        const QSize least = widget()->minimumSizeHint();
        return {least.width() + verticalScrollBar()->sizeHint().width(),
                std::min(least.height(), 2 * fontMetrics().lineSpacing())};
    }
};

// The marker's room on the buttons without it.
QPixmap EmptyPicture() {
    QPixmap empty(kPictureSize, kPictureSize);
    empty.fill(Qt::transparent);
    return empty;
}

// Samples of the widest texts of the value columns, digits aside (see FitColumns).
constexpr const char* kWideSamples[kTableColumnCount] = {
    "",           "",           "8888 dol. 88 c.",  "888:88:88",
    "8888.8 MiB", "8888.8 MiB", "88888 dol. 88 c.", "8888/88/88",
    "88:88:88",   "8888/88/88", "88:88:88"};

} // namespace

TForm7::TForm7(const std::string& programPath, Clock& clock, HelpViewer& help, SortState& sort,
               QWidget* parent)
    : QDialog(parent), programPath_(programPath), clock_(clock), help_(help), sort_(sort) {
    setObjectName(QStringLiteral("ConnectionsWindow"));
    setWindowTitle(QStringLiteral("Connections"));
    // A long history reads better in a larger window.
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);
    BuildControls();
    FitOnScreen(*this);
}

TForm7::~TForm7() = default;

int TForm7::Execute(const std::string& programPath, Clock& clock, HelpViewer& help,
                    QWidget* parent) {
    TForm7 window(programPath, clock, help, BrowserSort(), parent);
    return window.exec();
}

void TForm7::BuildControls() {
    model_ = new ConnectionsModel(this);

    auto* views = new QGroupBox(QStringLiteral("Show connections by"), this);
    auto* viewRow = new QHBoxLayout(views);
    const auto viewButton = [&](const char* name, const char* text, BrowserView view) {
        auto* b = new QToolButton(views);
        b->setObjectName(QLatin1String(name));
        b->setText(QString::fromLatin1(text));
        // Flat, and pressed while its view is in force; Tab reaches it and Space clicks it.
        b->setAutoRaise(true);
        b->setCheckable(true);
        b->setFocusPolicy(Qt::StrongFocus);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setIconSize(QSize(kPictureSize, kPictureSize));
        // An empty picture keeps the marker's room, so that the text stays where it is when
        // the marker comes or goes.
        b->setIcon(QIcon(EmptyPicture()));
        connect(b, &QToolButton::clicked, this, Guarded([this, view] { ViewClick(view); }));
        viewRow->addWidget(b);
        return b;
    };
    ThisMonth = viewButton("ThisMonth", "This month", BrowserView::ThisMonth);
    ThisDay = viewButton("ThisDay", "This day", BrowserView::ThisDay);
    AllDays = viewButton("AllDays", "All days", BrowserView::AllDays);
    viewRow->addStretch(1);

    Table = new UniformRowsView(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setAccessibleName(QStringLiteral("Connections"));
    Table->setModel(model_);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int c = 0; c < kTableColumnCount; ++c)
        Table->setColumnWidth(c, kTableWidths[c]);
    connect(Table->horizontalHeader(), &QHeaderView::sectionClicked, this,
            Guarded([this](int column) { TableColumnClick(column); }));

    // The sort from the keyboard: the same choice as a header click, from the "Sort" button
    // and from the list's context menu (the menu key).
    auto* sortMenu = new QMenu(this);
    for (int c = 0; c < kTableColumnCount; ++c)
        if (SortableColumn(c))
            connect(sortMenu->addAction(QString::fromLatin1(kTableCaptions[c])),
                    &QAction::triggered, this, Guarded([this, c] { TableColumnClick(c); }));
    Table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Table, &QWidget::customContextMenuRequested, this,
            [this, sortMenu](QPoint at) { sortMenu->popup(Table->viewport()->mapToGlobal(at)); });

    auto* figures = new QGridLayout;
    const auto figure = [&](int row, const char* caption, const char* name) {
        figures->addWidget(new QLabel(QString::fromLatin1(caption), this), row, 0);
        auto* value = new QLabel(this);
        value->setObjectName(QLatin1String(name));
        figures->addWidget(value, row, 1);
        return value;
    };
    TotalFee = figure(0, "Total fee:", "TotalFee");
    AverageTime = figure(1, "Average time per connention:", "AverageTime");
    AverageCost = figure(2, "Average cost per connection:", "AverageCost");
    Volume = figure(3, "Total volume:", "Volume");
    figures->setColumnStretch(2, 1);

    auto* groups = new QWidget(this);
    auto* sortedBy = new QGroupBox(QStringLiteral("Sorted by:"), groups);
    SortedBy = new QLabel(sortedBy);
    SortedBy->setObjectName(QStringLiteral("SortedBy"));
    auto* sortButton = new QToolButton(sortedBy);
    sortButton->setObjectName(QStringLiteral("SortButton"));
    sortButton->setText(QStringLiteral("&Sort"));
    sortButton->setToolTip(QStringLiteral("Sort the list by a column (or click its header)"));
    sortButton->setMenu(sortMenu);
    sortButton->setPopupMode(QToolButton::InstantPopup);
    sortButton->setFocusPolicy(Qt::StrongFocus);
    auto* sortedByRow = new QHBoxLayout(sortedBy);
    sortedByRow->addWidget(SortedBy, 1);
    sortedByRow->addWidget(sortButton);

    auto* direction = new QGroupBox(QStringLiteral("Direction:"), groups);
    auto* directionRow = new QHBoxLayout(direction);
    Direction = new QLabel(direction);
    Direction->setObjectName(QStringLiteral("Direction"));
    const auto arrow = [&](const char* name, const QPixmap& picture) {
        auto* image = new QLabel(direction);
        image->setObjectName(QLatin1String(name));
        image->setPixmap(picture);
        // The arrows keep their room while hidden, so that nothing moves when one shows.
        QSizePolicy policy = image->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        image->setSizePolicy(policy);
        image->hide();
        return image;
    };
    Image1 = arrow("Image1", ArrowDownPicture(kPictureSize));
    Image2 = arrow("Image2", ArrowUpPicture(kPictureSize));
    directionRow->addWidget(Direction, 1);
    directionRow->addWidget(Image1);
    directionRow->addWidget(Image2);

    auto* groupsRow = new QHBoxLayout(groups);
    groupsRow->setContentsMargins(0, 0, 0, 0);
    groupsRow->addWidget(sortedBy);
    groupsRow->addWidget(direction);

    const DialogButtons buttons = MakeButtonRow(*this, kOkHelpRow);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.help, &QPushButton::clicked, this, &TForm7::HelpClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(views);
    layout->addWidget(Table, 1);
    layout->addWidget(new SummaryArea(new SummaryPane(figures, groups, this), this));
    layout->addLayout(buttons.row);
    FitColumns();

    ShowFigures();
    SortedBy->setText(QStringLiteral("None"));
    Direction->setText(QStringLiteral("None"));
}

void TForm7::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, Guarded([this] {
                               if (isVisible())
                                   FormActivate();
                           }));
    }
}

void TForm7::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FitColumns();
    }
}

void TForm7::FitColumns(bool growOnly) {
    const QFontMetrics metrics = Table->fontMetrics();
    // A cell's text margins on both sides, the grid line and a pixel the style rounds up.
    const int margins =
        2 * (Table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Table) + 1) + 2;
    // Any number fits when every digit is drawn as the widest one.
    QChar wideDigit = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d)
        if (metrics.horizontalAdvance(QChar(d)) > metrics.horizontalAdvance(wideDigit))
            wideDigit = QChar(d);
    const auto widened = [&](QString text) {
        for (QChar& c : text)
            if (c.isDigit())
                c = wideDigit;
        return text;
    };
    const ConnectionRows& rows = model_->Rows();
    const QHeaderView* header = Table->horizontalHeader();
    for (int c = 0; c < kTableColumnCount; ++c) {
        int width = std::max(kTableWidths[c], header->sectionSizeHint(c));
        width = std::max(width,
                         metrics.horizontalAdvance(widened(QString::fromLatin1(kWideSamples[c]))) +
                             margins);
        // The longest text of the rows, known from the load without reading them all.
        if (const std::size_t row = rows.WidestRow(c); row < rows.Count())
            width = std::max(width,
                             metrics.horizontalAdvance(widened(Text(rows.Text(row, c)))) + margins);
        Table->setColumnWidth(c, growOnly ? std::max(width, Table->columnWidth(c)) : width);
    }
    Table->updateGeometry();
    // The sort labels keep their place whatever they show.
    int caption = 0;
    for (const char* text : kTableCaptions)
        caption = std::max(caption, SortedBy->fontMetrics().horizontalAdvance(QLatin1String(text)));
    SortedBy->setMinimumWidth(caption);
    Direction->setMinimumWidth(
        std::max({Direction->fontMetrics().horizontalAdvance(QStringLiteral("None")),
                  Direction->fontMetrics().horizontalAdvance(QStringLiteral("Down")),
                  Direction->fontMetrics().horizontalAdvance(QStringLiteral("Up"))}));
}

void TForm7::FormActivate() {
    ViewClick(BrowserView::AllDays);
}

void TForm7::ViewClick(BrowserView view) {
    ClearTable();
    view_ = view;
    const QPixmap marker = ViewMarkerPicture(kPictureSize);
    const QPixmap none = EmptyPicture();
    for (auto [button, v] :
         {std::pair{ThisMonth, BrowserView::ThisMonth}, std::pair{ThisDay, BrowserView::ThisDay},
          std::pair{AllDays, BrowserView::AllDays}}) {
        button->setIcon(QIcon(v == view ? marker : none));
        button->setChecked(v == view);
    }
    FillTable(view);
}

void TForm7::ClearTable() {
    // Abandons a load or a sort in progress.
    ++generation_;
    SetLoading(false);
    pendingClicks_.clear();
    model_->Clear();
}

void TForm7::SetLoading(bool loading) {
    loading_ = loading;
    Table->SetEmptyText(loading ? QString() : QStringLiteral("No connections"));
}

void TForm7::FillTable(BrowserView view) {
    const TStamp today = clock_.Now();
    const std::uint64_t generation = ++generation_;
    SetLoading(true);
    LoadPacer pause(generation_, [this] { model_->Publish(); });
    const FillResult result =
        netrova::FillTable(programPath_, view, today, model_->Rows(), figures_, std::ref(pause));
    if (generation != generation_)
        return; // a newer fill or a close took over
    model_->Publish();
    if (result == FillResult::Filled)
        ShowFigures();
    FitColumns(true);
    // The rows keep the order the labels show.
    if (sorted_ && !SortRows(*sorted_))
        return;
    SetLoading(false);
    RunPendingClicks();
}

void TForm7::RunPendingClicks() {
    for (const int column : std::exchange(pendingClicks_, {}))
        TableColumnClick(column);
}

void TForm7::ShowFigures() {
    TotalFee->setText(Text(figures_.TotalFee));
    AverageTime->setText(Text(figures_.AverageTime));
    AverageCost->setText(Text(figures_.AverageCost));
    Volume->setText(Text(figures_.Volume));
}

void TForm7::TableColumnClick(int column) {
    if (loading_) {
        // Sorted once the rows are all there, as if the click had waited for the load.
        pendingClicks_.push_back(column);
        return;
    }
    if (!netrova::TableColumnClick(sort_, column))
        return;
    const SortState sort = sort_;
    if (!SortRows(sort))
        return;
    sorted_ = sort;
    ShowSortLabels(sort);
    SetLoading(false);
    RunPendingClicks();
}

bool TForm7::SortRows(const SortState& sort) {
    const std::uint64_t generation = ++generation_;
    SetLoading(true);
    LoadPacer pause(generation_);
    model_->Sort(sort, std::ref(pause));
    return generation == generation_;
}

void TForm7::ShowSortLabels(const SortState& sort) {
    SortedBy->setText(QString::fromLatin1(kTableCaptions[sort.SortColumn]));
    Direction->setText(sort.SortAscending ? QStringLiteral("Down") : QStringLiteral("Up"));
    Image1->setVisible(sort.SortAscending);
    Image2->setVisible(!sort.SortAscending);
}

void TForm7::HelpClick() {
    help_.ShowContext(HelpContext::Connections);
}

void TForm7::done(int result) {
    ClearTable();
    QDialog::done(result);
}

} // namespace netrova
