#include "tariffs/ProviderTariffsDialog.h"

#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace netrova {

namespace {

constexpr int kListWidth = 180;
constexpr int kNameColumnWidth = 170;
constexpr int kDaysColumnWidth = 100;

const char* const kNoProviders = "No providers found!";
const char* const kNoTariffs = "No tariffs found! To create tariffs go to menu Options|Tariffs.";

const char* const kDayRowText[kDayCount] = {"Sunday",   "Monday", "Tuesday",  "Wednesday",
                                            "Thursday", "Friday", "Saturday", "Holiday"};

QTreeWidget* ReportList(const char* name, const QStringList& columns, QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setColumnCount(static_cast<int>(columns.size()));
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setDragEnabled(false); // drags are started by the dialog
    list->header()->setSectionsMovable(false);
    list->setAcceptDrops(true);
    list->viewport()->setAcceptDrops(true);
    list->setDropIndicatorShown(false);
    return list;
}

// What the pointer carries: the dragged name on a small label.
QPixmap DragPixmap(const QWidget& source, const QString& text) {
    const QFontMetrics fm = source.fontMetrics();
    const QSize size(fm.horizontalAdvance(text) + 12, fm.height() + 6);
    QPixmap pixmap(size * source.devicePixelRatioF());
    pixmap.setDevicePixelRatio(source.devicePixelRatioF());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QPalette& pal = source.palette();
    painter.setPen(pal.color(QPalette::Dark));
    painter.setBrush(pal.color(QPalette::Highlight));
    painter.drawRect(QRect(QPoint(0, 0), size - QSize(1, 1)));
    painter.setPen(pal.color(QPalette::HighlightedText));
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, text);
    return pixmap;
}

} // namespace

TForm3::TForm3(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, QWidget* parent)
    : QDialog(parent), store_(store), boxes_(boxes), help_(help) {
    BuildControls();
    CenterOnScreen(*this);
}

TForm3::~TForm3() = default;

int TForm3::Execute(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, QWidget* parent) {
    TForm3 dialog(store, boxes, help, parent);
    const int result = dialog.exec();
    dialog.errors_.RethrowPending();
    return result;
}

void TForm3::BuildControls() {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Tariffs"));

    auto* providerBox = new QGroupBox(QStringLiteral("Choose a provider:"), this);
    ListBox1 = new QListWidget(providerBox);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* providerLayout = new QVBoxLayout(providerBox);
    providerLayout->addWidget(ListBox1);

    Tariff = ReportList("Tariff", {QStringLiteral("Tariffs")}, this);
    Tariff->setToolTip(QStringLiteral("Drag tariffs to -->"));
    Days = ReportList("Days", {QStringLiteral("Tariff's name"), QStringLiteral("Week days")}, this);
    Days->setToolTip(QStringLiteral("To delete tariff drag it back <--"));
    for (const char* text : kDayRowText) {
        auto* row = new QTreeWidgetItem(Days);
        row->setText(1, QString::fromLatin1(text));
    }
    // The chosen day stays marked while another list has the focus.
    QPalette pal = Days->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    Days->setPalette(pal);

    // All eight days in view, no scrolling.
    const int frame = 2 * Days->frameWidth();
    const int rowsHeight = kDayCount * Days->sizeHintForRow(0);
    const int listHeight = Days->header()->sizeHint().height() + rowsHeight + frame + 2;
    Days->setFixedHeight(listHeight);
    Days->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Days->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Tariff->setFixedHeight(listHeight);
    ListBox1->setFixedHeight(listHeight);
    FitLists();

    for (QTreeWidget* list : {Tariff, Days})
        list->viewport()->installEventFilter(this);

    const DialogButtons buttons = MakeDialogButtons(*this);
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    BitBtn3 = buttons.help;
    // F1 asks for the tariff editor's page rather than the help button's.
    buttons.helpKey->disconnect();
    connect(buttons.helpKey, &QShortcut::activated, this,
            [this] { help_.ShowContext(HelpContext::Tariffs); });

    // The title keeps the frame level with the provider group's.
    auto* assignBox = new QGroupBox(QStringLiteral(" "), this);
    auto* assignLayout = new QHBoxLayout(assignBox);
    assignLayout->setSpacing(8);
    assignLayout->addWidget(Tariff);
    assignLayout->addWidget(Days);
    auto* lists = new QHBoxLayout;
    lists->setSpacing(10);
    lists->addWidget(providerBox);
    lists->addWidget(assignBox);

    auto* main = new QVBoxLayout(this);
    main->setSizeConstraint(QLayout::SetFixedSize);
    main->addLayout(lists);
    main->addSpacing(4);
    main->addLayout(buttons.row);

    connect(ListBox1, &QListWidget::currentRowChanged, this, &TForm3::ListBox1Click);
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { errors_.Run(*this, [this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, &TForm3::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm3::BitBtn3Click);
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Queued: the activation may close the dialog, which exec() only notices once its loop runs.
    if (!activated_)
        QMetaObject::invokeMethod(
            this, [this] { errors_.Run(*this, [this] { FormActivate(); }); }, Qt::QueuedConnection);
}

void TForm3::FormActivate() {
    if (activated_)
        return;
    activated_ = true;
    LoadProviderList();
    if (!LoadAssignableTariffs()) {
        reject();
        return;
    }
    if (!providers_.empty())
        ReadDayMap(0);
    current_ = 0;
    FitLists();
}

void TForm3::FitLists() {
    // The lists' own widths at least, wider where a name, a day or a caption needs it at the
    // current font; the days' name column takes any tariff name.
    const auto contents = [](const QAbstractItemView& list, const QHeaderView* header, int c) {
        return std::max(list.sizeHintForColumn(c), header ? header->sectionSizeHint(c) : 0);
    };
    const int frame = 2 * Days->frameWidth() + 2;
    const int names = std::max({kNameColumnWidth, contents(*Tariff, Tariff->header(), 0),
                                contents(*Days, Days->header(), 0)});
    const int days = std::max(kDaysColumnWidth, contents(*Days, Days->header(), 1));
    Days->setColumnWidth(0, names);
    Days->setColumnWidth(1, days);
    Days->setFixedWidth(names + days + frame);
    const auto fit = [&](QAbstractItemView& list, int widest, int count) {
        const bool scrolls = count * list.sizeHintForRow(0) > list.height() - frame;
        const int bar = scrolls ? list.style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
        list.setFixedWidth(std::max(kListWidth, widest + frame + bar));
    };
    fit(*Tariff, contents(*Tariff, Tariff->header(), 0), Tariff->topLevelItemCount());
    fit(*ListBox1, contents(*ListBox1, nullptr, 0), ListBox1->count());
}

void TForm3::LoadProviderList() {
    const std::vector<std::string> names = ReadProviders(store_);
    if (names.empty())
        boxes_.Show(kNoProviders, MsgIcon::Warning);
    const QSignalBlocker blocker(ListBox1);
    ListBox1->clear();
    providers_.clear();
    for (const std::string& name : names) {
        ListBox1->addItem(QString::fromStdString(name));
        providers_.push_back({name, {}, false});
    }
    ListBox1->setCurrentRow(providers_.empty() ? -1 : 0);
}

bool TForm3::LoadAssignableTariffs() {
    tariffs_ = ReadProfiles(store_);
    if (tariffs_.empty()) {
        boxes_.Show(kNoTariffs, MsgIcon::Warning);
        return false;
    }
    Tariff->clear();
    for (const TariffProfile& p : tariffs_)
        (new QTreeWidgetItem(Tariff))->setText(0, QString::fromStdString(p.Name));
    return true;
}

void TForm3::ClearDayRows() {
    for (int d = 0; d < kDayCount; ++d)
        Days->topLevelItem(d)->setText(0, QString());
}

void TForm3::ReadDayMap(int provider) {
    if (provider < 0 || provider >= static_cast<int>(providers_.size()))
        return;
    const DayTariffs days = netrova::ReadDayMap(store_, providers_[provider].Name);
    for (int d = 0; d < kDayCount; ++d)
        Days->topLevelItem(d)->setText(0, QString::fromStdString(days[d]));
}

void TForm3::ShowDayMap(int provider) {
    ClearDayRows();
    if (provider < 0 || provider >= static_cast<int>(providers_.size()))
        return;
    for (int d = 0; d < kDayCount; ++d)
        Days->topLevelItem(d)->setText(0, QString::fromStdString(providers_[provider].Days[d]));
}

void TForm3::KeepDayMap(int provider) {
    if (provider < 0 || provider >= static_cast<int>(providers_.size()))
        return;
    ProviderDays& p = providers_[provider];
    for (int d = 0; d < kDayCount; ++d)
        p.Days[d] = Days->topLevelItem(d)->text(0).toStdString();
    p.Visited = true;
}

void TForm3::WriteDayMap(int provider) {
    const ProviderDays& p = providers_.at(provider);
    netrova::WriteDayMap(store_, p.Name, p.Days, tariffs_);
}

void TForm3::ListBox1Click(int row) {
    if (row < 0 || row >= static_cast<int>(providers_.size()) || row == current_)
        return;
    KeepDayMap(current_);
    current_ = row;
    if (providers_[row].Visited) {
        ShowDayMap(row);
    } else {
        ClearDayRows();
        ReadDayMap(row);
    }
}

void TForm3::BitBtn1Click() {
    KeepDayMap(current_);
    StoreBatch batch(store_);
    for (int p = 0; p < static_cast<int>(providers_.size()); ++p)
        if (providers_[p].Visited)
            WriteDayMap(p);
    batch.Commit();
    accept();
}

void TForm3::BitBtn3Click() {
    help_.ShowContext(HelpContext::Providers);
}

void TForm3::done(int result) {
    EndDrag();
    {
        const QSignalBlocker blocker(ListBox1);
        ListBox1->clear();
    }
    QDialog::done(result);
}

// --- Drag and drop -----------------------------------------------------------------------------

void TForm3::TariffMouseDown(Qt::MouseButton button, const QPoint& pos) {
    EndDrag();
    if (button != Qt::LeftButton)
        return;
    const QTreeWidgetItem* item = Tariff->itemAt(pos);
    if (!item)
        return;
    origin_ = DragOrigin::TariffList;
    dragName_ = item->text(0);
    pressPos_ = pos;
}

void TForm3::DaysMouseDown(Qt::MouseButton button, const QPoint& pos) {
    EndDrag();
    if (button != Qt::LeftButton)
        return;
    QTreeWidgetItem* item = Days->itemAt(pos);
    if (!item || item->text(0).isEmpty())
        return;
    origin_ = DragOrigin::DayList;
    dragRow_ = Days->indexOfTopLevelItem(item);
    dragName_ = item->text(0);
    pressPos_ = pos;
}

bool TForm3::DaysDragOver(const QPoint& pos) const {
    return origin_ == DragOrigin::TariffList && Days->itemAt(pos) != nullptr;
}

void TForm3::DaysDragDrop(const QPoint& pos) {
    if (!DaysDragOver(pos))
        return;
    Days->itemAt(pos)->setText(0, dragName_);
}

bool TForm3::TariffDragOver() const {
    return origin_ == DragOrigin::DayList && dragRow_ >= 0 && dragRow_ < kDayCount &&
           !Days->topLevelItem(dragRow_)->text(0).isEmpty();
}

void TForm3::TariffDragDrop() {
    if (!TariffDragOver())
        return;
    Days->topLevelItem(dragRow_)->setText(0, QString());
}

void TForm3::EndDrag() {
    origin_ = DragOrigin::None;
    dragRow_ = -1;
    dragName_.clear();
}

void TForm3::StartDrag(QWidget* source) {
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kDragMimeType), dragName_.toUtf8());
    auto* drag = new QDrag(source);
    drag->setMimeData(mime);
    drag->setPixmap(DragPixmap(*source, dragName_));
    drag->setHotSpot(QPoint(-12, -4));
    drag->exec(Qt::MoveAction);
    EndDrag();
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    auto* viewport = qobject_cast<QWidget*>(watched);
    if (viewport && (viewport == Tariff->viewport() || viewport == Days->viewport()))
        return HandleDragEvent(viewport, event);
    return QDialog::eventFilter(watched, event);
}

bool TForm3::HandleDragEvent(QWidget* viewport, QEvent* event) {
    const bool onDays = viewport == Days->viewport();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (onDays)
            DaysMouseDown(e->button(), e->position().toPoint());
        else
            TariffMouseDown(e->button(), e->position().toPoint());
        return false; // the list still selects the row
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        const DragOrigin mine = onDays ? DragOrigin::DayList : DragOrigin::TariffList;
        if (origin_ != mine || !(e->buttons() & Qt::LeftButton))
            return false;
        if ((e->position().toPoint() - pressPos_).manhattanLength() <
            QApplication::startDragDistance())
            return false;
        StartDrag(viewport);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (origin_ != DragOrigin::None)
            EndDrag();
        return false;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(event);
        const QPoint pos = e->position().toPoint();
        const bool ours = e->mimeData()->hasFormat(QLatin1String(kDragMimeType));
        bool accept = false;
        if (ours && event->type() == QEvent::DragEnter)
            // Entering only has to let the moves come; each move decides for its position.
            accept = onDays ? origin_ == DragOrigin::TariffList : TariffDragOver();
        else if (ours)
            accept = onDays ? DaysDragOver(pos) : TariffDragOver();
        if (accept && event->type() == QEvent::Drop) {
            if (onDays)
                DaysDragDrop(pos);
            else
                TariffDragDrop();
        }
        if (accept) {
            e->setDropAction(Qt::MoveAction);
            e->accept();
        } else {
            e->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        return true;
    default:
        return false;
    }
}

} // namespace netrova
