#include "history/ConnectionsWindow.h"

#include "history/HistoryWidgets.h"
#include "history/LoadPacer.h"
#include "platform/Clock.h"
#include "platform/HelpViewer.h"
#include "platform/DialogSupport.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace netrova {

namespace {

constexpr int kHelpContext = 13;
constexpr int kPictureSize = 16;

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TForm7::TForm7(const std::string& programPath, Clock& clock, HelpViewer& help, TSortState& sort,
               QWidget* parent)
    : QDialog(parent), programPath_(programPath), clock_(clock), help_(help), sort_(sort) {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Connections"));
    BuildControls();
    CenterOnScreen(*this);
}

TForm7::~TForm7() = default;

int TForm7::Execute(const std::string& programPath, Clock& clock, HelpViewer& help,
                    QWidget* parent) {
    TForm7 window(programPath, clock, help, BrowserSort(), parent);
    return window.exec();
}

void TForm7::BuildControls() {
    model_ = new TConnectionsModel(this);

    auto* views = new QGroupBox(QStringLiteral("Show connections by"), this);
    auto* viewRow = new QHBoxLayout(views);
    const auto viewButton = [&](const char* name, const char* text, TView view) {
        auto* b = new QToolButton(views);
        b->setObjectName(QLatin1String(name));
        b->setText(QString::fromLatin1(text));
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setIconSize(QSize(kPictureSize, kPictureSize));
        // Room for the marker, so that the text is not cut when the marker comes.
        b->setIcon(QIcon(ViewMarkerPicture(kPictureSize)));
        b->setMinimumSize(b->sizeHint());
        b->setIcon(QIcon());
        connect(b, &QToolButton::clicked, this, [this, view] { ViewClick(view); });
        viewRow->addWidget(b);
        return b;
    };
    ThisMonth = viewButton("ThisMonth", "This month", TView::ThisMonth);
    ThisDay = viewButton("ThisDay", "This day", TView::ThisDay);
    AllDays = viewButton("AllDays", "All days", TView::AllDays);
    viewRow->addStretch(1);

    Table = new QTableView(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setModel(model_);
    SetUpHistoryList(*Table, kTableWidths, kTableColumnCount, 240);
    connect(Table->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &TForm7::TableColumnClick);

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
    figures->setColumnStretch(2, 1);

    auto* sortedBy = new QGroupBox(QStringLiteral("Sorted by:"), this);
    SortedBy = new QLabel(sortedBy);
    SortedBy->setObjectName(QStringLiteral("SortedBy"));
    (new QHBoxLayout(sortedBy))->addWidget(SortedBy);

    auto* direction = new QGroupBox(QStringLiteral("Direction:"), this);
    auto* directionRow = new QHBoxLayout(direction);
    Direction = new QLabel(direction);
    Direction->setObjectName(QStringLiteral("Direction"));
    const auto arrow = [&](const char* name, const QPixmap& picture) {
        auto* image = new QLabel(direction);
        image->setObjectName(QLatin1String(name));
        image->setPixmap(picture);
        image->hide();
        return image;
    };
    Image1 = arrow("Image1", ArrowDownPicture(kPictureSize));
    Image2 = arrow("Image2", ArrowUpPicture(kPictureSize));
    directionRow->addWidget(Direction, 1);
    directionRow->addWidget(Image1);
    directionRow->addWidget(Image2);

    auto* sortRow = new QHBoxLayout;
    sortRow->addLayout(figures, 1);
    sortRow->addWidget(sortedBy);
    sortRow->addWidget(direction);

    const OkHelpButtons buttons = MakeOkHelpButtons(*this);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.help;
    connect(BitBtn2, &QPushButton::clicked, this, &TForm7::BitBtn2Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(views);
    layout->addWidget(Table, 1);
    layout->addLayout(sortRow);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ShowFigures();
    SortedBy->setText(QStringLiteral("None"));
    Direction->setText(QStringLiteral("None"));
}

void TForm7::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                FormActivate();
        });
    }
}

void TForm7::FormActivate() {
    ViewClick(TView::AllDays);
}

void TForm7::ViewClick(TView view) {
    ClearTable();
    view_ = view;
    const QPixmap marker = ViewMarkerPicture(kPictureSize);
    for (auto [button, v] :
         {std::pair{ThisMonth, TView::ThisMonth}, std::pair{ThisDay, TView::ThisDay},
          std::pair{AllDays, TView::AllDays}})
        button->setIcon(v == view ? QIcon(marker) : QIcon());
    FillTable(view);
}

void TForm7::ClearTable() {
    // Abandons a load in progress.
    ++generation_;
    loading_ = false;
    pendingClicks_.clear();
    model_->Clear();
}

void TForm7::FillTable(TView view) {
    const TStamp today = clock_.Now();
    const std::uint64_t generation = ++generation_;
    loading_ = true;
    TLoadPacer pause(generation_, [this] { model_->Publish(); });
    const FillResult result =
        netrova::FillTable(programPath_, view, today, model_->Rows(), figures_, std::ref(pause));
    if (generation != generation_)
        return; // a newer fill or a close took over
    loading_ = false;
    model_->Publish();
    if (result == FillResult::Filled)
        ShowFigures();
    for (const int column : std::exchange(pendingClicks_, {}))
        TableColumnClick(column);
}

void TForm7::ShowFigures() {
    TotalFee->setText(Text(figures_.TotalFee));
    AverageTime->setText(Text(figures_.AverageTime));
    AverageCost->setText(Text(figures_.AverageCost));
}

void TForm7::TableColumnClick(int column) {
    if (loading_) {
        // Sorted once the rows are all there, as if the click had waited for the load.
        pendingClicks_.push_back(column);
        return;
    }
    if (!netrova::TableColumnClick(sort_, column))
        return;
    model_->Sort(sort_);
    ShowSortLabels();
}

void TForm7::ShowSortLabels() {
    SortedBy->setText(QString::fromLatin1(kTableCaptions[sort_.SortColumn]));
    Direction->setText(sort_.SortAscending ? QStringLiteral("Down") : QStringLiteral("Up"));
    Image1->setVisible(sort_.SortAscending);
    Image2->setVisible(!sort_.SortAscending);
}

void TForm7::BitBtn2Click() {
    help_.ShowContext(kHelpContext);
}

void TForm7::done(int result) {
    ClearTable();
    QDialog::done(result);
}

} // namespace netrova
