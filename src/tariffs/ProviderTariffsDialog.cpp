#include "tariffs/ProviderTariffsDialog.h"

#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "tariffs/NameLists.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>

namespace netrova {

namespace {

// The provider list shows at least this many rows, and grows with the providers up to the most.
constexpr int kFewestProviderRows = 3;
constexpr int kMostProviderRows = 6;

const char* const kNoProviders = "No providers found!";
const char* const kNoTariffs = "No tariffs found! To create tariffs go to menu Options|Tariffs.";

const char* const kDayRowText[kDayCount] = {"Sunday",   "Monday", "Tuesday",  "Wednesday",
                                            "Thursday", "Friday", "Saturday", "Holiday"};

QPixmap DragPixmap(const QWidget& source, const QString& text);

// A one-level report list whose rows travel by the built-in drag and drop of its model, with
// this dialog's own MIME types: the dialog says what a row carries and what a drop does.
class DragList : public SizedList<QTreeWidget> {
public:
    using DragData = std::function<QMimeData*(int row)>;
    using Drop = std::function<bool(const QMimeData& data, int row, bool apply)>;

    DragList(QStringList types, DragData dragData, Drop drop, QWidget* parent)
        : SizedList<QTreeWidget>(parent), types_(std::move(types)), dragData_(std::move(dragData)),
          drop_(std::move(drop)) {
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        // A drop lands on the row under the pointer, never between two rows.
        setDragDropOverwriteMode(true);
        setDropIndicatorShown(false);
    }

protected:
    QStringList mimeTypes() const override { return types_; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
        return items.isEmpty() ? nullptr : dragData_(indexOfTopLevelItem(items.front()));
    }

    bool dropMimeData(QTreeWidgetItem* parent, int, const QMimeData* mime,
                      Qt::DropAction) override {
        return mime && drop_(*mime, parent ? indexOfTopLevelItem(parent) : -1, true);
    }

    // Refused before the view sees them, so that it never enters its dragging state for a drop
    // that cannot be.
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (Takes(*event))
            QTreeWidget::dragEnterEvent(event);
        else
            event->ignore();
    }

    void dragMoveEvent(QDragMoveEvent* event) override {
        if (Takes(*event))
            QTreeWidget::dragMoveEvent(event);
        else
            event->ignore();
    }

    // The row keeps its item: a drag copies a name onto a day or clears the day itself, so the
    // view's own clean-up after a move must not run. It carries the pressed row, also when
    // several are selected.
    void startDrag(Qt::DropActions) override {
        if (!(QApplication::mouseButtons() & Qt::LeftButton))
            return;
        QTreeWidgetItem* pressed = currentItem();
        QMimeData* mime = pressed ? mimeData({pressed}) : nullptr;
        if (!mime)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(mime);
        drag->setPixmap(DragPixmap(*this, pressed->text(0)));
        drag->setHotSpot(QPoint(-12, -4));
        drag->exec(Qt::MoveAction);
    }

private:
    bool Takes(const QDropEvent& event) const {
        QTreeWidgetItem* item = itemAt(event.position().toPoint());
        return drop_(*event.mimeData(), item ? indexOfTopLevelItem(item) : -1, false);
    }

    QStringList types_;
    DragData dragData_;
    Drop drop_;
};

// The chosen rows stay marked while another control has the focus.
void KeepSelectionShown(QWidget& list) {
    QPalette pal = list.palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    list.setPalette(pal);
}

QPushButton* SideButton(const char* name, const QString& text, const QString& tip,
                        QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

QTreeWidget* ReportList(QTreeWidget* list, const char* name, const QStringList& columns) {
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
    list->header()->setSectionsMovable(false);
    ElideNames(*list);
    KeepSelectionShown(*list);
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
    FitOnScreen(*this);
}

TForm3::~TForm3() = default;

int TForm3::Execute(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, QWidget* parent) {
    TForm3 dialog(store, boxes, help, parent);
    return ExecDialog(dialog, dialog.errors_);
}

void TForm3::BuildControls() {
    setObjectName(QStringLiteral("ProviderTariffsDialog"));
    setWindowTitle(QStringLiteral("Tariffs"));

    auto* providerBox = new QGroupBox(QStringLiteral("Choose a provider:"), this);
    ListBox1 = new SizedList<QListWidget>(providerBox);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("Providers"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ElideNames(*ListBox1);
    auto* providerLayout = new QVBoxLayout(providerBox);
    providerLayout->addWidget(ListBox1);

    auto* assignBox = new QGroupBox(this);
    Tariff = ReportList(
        new DragList(
            {QLatin1String(kDayDragMimeType)}, [this](int row) { return TariffDragData(row); },
            [this](const QMimeData& mime, int, bool apply) { return DropOnTariffs(mime, apply); },
            assignBox),
        "Tariff", {QStringLiteral("Tariffs")});
    Tariff->setToolTip(QStringLiteral("Drag tariffs to -->"));
    Tariff->setAccessibleName(QStringLiteral("Tariffs"));
    Days =
        ReportList(new DragList(
                       {QLatin1String(kDragMimeType)}, [this](int row) { return DayDragData(row); },
                       [this](const QMimeData& mime, int row, bool apply) {
                           return DropOnDay(mime, row, apply);
                       },
                       assignBox),
                   "Days", {QStringLiteral("Tariff's name"), QStringLiteral("Week days")});
    Days->setToolTip(QStringLiteral("To delete tariff drag it back <--"));
    Days->setAccessibleName(QStringLiteral("Week days and their tariffs"));
    // Several days take one tariff at once.
    Days->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const char* text : kDayRowText) {
        auto* row = new QTreeWidgetItem(Days);
        row->setText(1, QString::fromLatin1(text));
    }
    // The names take the room that the day names leave.
    QHeaderView* header = Days->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    Days->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    AssignButton = SideButton(
        "AssignButton", QStringLiteral("&Assign \u2192"),
        QStringLiteral("Give the selected tariff to the selected days (Alt+A)"), assignBox);
    RemoveButton =
        SideButton("RemoveButton", QStringLiteral("\u2190 &Remove"),
                   QStringLiteral("Take the tariff off the selected days (Del)"), assignBox);
    auto* removeKey =
        new QShortcut(QKeySequence::Delete, Days, nullptr, nullptr, Qt::WidgetShortcut);

    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { HelpClick(); });

    auto* sideButtons = new QVBoxLayout;
    sideButtons->addStretch(1);
    sideButtons->addWidget(AssignButton);
    sideButtons->addWidget(RemoveButton);
    sideButtons->addStretch(1);
    auto* assignLayout = new QHBoxLayout(assignBox);
    assignLayout->addWidget(Tariff);
    assignLayout->addLayout(sideButtons);
    assignLayout->addWidget(Days);

    // The providers above the days: a long provider name then costs no width beside them.
    auto* main = new QVBoxLayout(this);
    main->addWidget(providerBox);
    main->addWidget(assignBox);
    main->addSpacing(4);
    main->addLayout(buttons.row);

    QWidget* order[] = {ListBox1, Tariff,     AssignButton,   RemoveButton,
                        Days,     buttons.ok, buttons.cancel, buttons.help};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // A row reads its provider's days from the store: a failure closes the dialog, as in OK.
    connect(ListBox1, &QListWidget::currentRowChanged, this,
            [this](int row) { errors_.Run(*this, [&] { ListBox1Click(row); }); });
    connect(AssignButton, &QPushButton::clicked, this, &TForm3::AssignClick);
    connect(RemoveButton, &QPushButton::clicked, this, &TForm3::RemoveClick);
    connect(removeKey, &QShortcut::activated, this, &TForm3::RemoveClick);
    connect(Tariff, &QTreeWidget::itemSelectionChanged, this, &TForm3::UpdateSideButtons);
    connect(Days, &QTreeWidget::itemSelectionChanged, this, &TForm3::UpdateSideButtons);
    UpdateSideButtons();
    FitLists();
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_)
        QueueActivation(*this, errors_, [this] { FormActivate(); });
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
    Tariff->setCurrentItem(Tariff->topLevelItem(0));
    Days->setCurrentItem(Days->topLevelItem(0));
    // The names are in: the window takes its size from them and is centred at that size.
    FitLists();
    FitOnScreen(*this);
}

void TForm3::FitLists() {
    // Every name whole where the screen has the room; the layout and the screen may make a
    // list narrower, and a long name is then cut.
    const int tariffs = ColumnWidth(*Tariff, 0);
    // Room for any tariff that a day may be given.
    const int names = std::max(ColumnWidth(*Days, 0), tariffs);
    const int dayNames = ColumnWidth(*Days, 1);
    // All eight days in view, no scrolling.
    const int daysHeight = RowsHeight(*Days, kDayCount);
    Days->setMinimumSize(LeastNameWidth(*Days, names) + dayNames + Chrome(*Days), daysHeight);
    static_cast<SizedList<QTreeWidget>*>(Days)->SetPreferredSize(
        {names + dayNames + Chrome(*Days), daysHeight});
    Tariff->setMinimumSize(LeastNameWidth(*Tariff, tariffs) + Chrome(*Tariff), daysHeight);
    static_cast<SizedList<QTreeWidget>*>(Tariff)->SetPreferredSize(
        {tariffs + Chrome(*Tariff), daysHeight});

    const int providers = ColumnWidth(*ListBox1, 0);
    const int rows =
        std::clamp(static_cast<int>(ListBox1->count()), kFewestProviderRows, kMostProviderRows);
    ListBox1->setMinimumSize(LeastNameWidth(*ListBox1, providers) + Chrome(*ListBox1),
                             RowsHeight(*ListBox1, kFewestProviderRows));
    static_cast<SizedList<QListWidget>*>(ListBox1)->SetPreferredSize(
        {providers + Chrome(*ListBox1), RowsHeight(*ListBox1, rows)});
}

void TForm3::UpdateSideButtons() {
    const QList<QTreeWidgetItem*> days = Days->selectedItems();
    AssignButton->setEnabled(Tariff->currentItem() != nullptr && !days.isEmpty());
    RemoveButton->setEnabled(std::any_of(
        days.begin(), days.end(), [](const QTreeWidgetItem* d) { return !d->text(0).isEmpty(); }));
}

std::vector<int> TForm3::SelectedDays() const {
    std::vector<int> days;
    for (int d = 0; d < kDayCount; ++d)
        if (Days->topLevelItem(d)->isSelected())
            days.push_back(d);
    return days;
}

void TForm3::SetDayTariff(int day, const QString& name) {
    QTreeWidgetItem* item = Days->topLevelItem(day);
    item->setText(0, name);
    item->setData(0, Qt::AccessibleTextRole, name.isEmpty() ? QStringLiteral("no tariff") : name);
    UpdateSideButtons();
}

void TForm3::AssignClick() {
    QTreeWidgetItem* tariff = Tariff->currentItem();
    if (!tariff)
        return;
    const std::unique_ptr<QMimeData> mime(TariffDragData(Tariff->indexOfTopLevelItem(tariff)));
    for (int d : SelectedDays())
        DropOnDay(*mime, d, true);
}

void TForm3::RemoveClick() {
    for (int d : SelectedDays())
        SetDayTariff(d, QString());
}

void TForm3::LoadProviderList() {
    const std::vector<std::string> names = Tariffs(store_).Providers();
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
    tariffs_ = Tariffs(store_).Profiles();
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
        SetDayTariff(d, QString());
}

void TForm3::ReadDayMap(int provider) {
    if (provider < 0 || provider >= static_cast<int>(providers_.size()))
        return;
    const DayTariffs days = Tariffs(store_).DayMap(providers_[provider].Name);
    for (int d = 0; d < kDayCount; ++d)
        SetDayTariff(d, QString::fromStdString(days[d]));
}

void TForm3::ShowDayMap(int provider) {
    ClearDayRows();
    if (provider < 0 || provider >= static_cast<int>(providers_.size()))
        return;
    for (int d = 0; d < kDayCount; ++d)
        SetDayTariff(d, QString::fromStdString(providers_[provider].Days[d]));
}

void TForm3::KeepDayMap(int provider) {
    if (provider < 0 || provider >= static_cast<int>(providers_.size()))
        return;
    ProviderDays& p = providers_[provider];
    for (int d = 0; d < kDayCount; ++d)
        p.Days[d] = Days->topLevelItem(d)->text(0).toStdString();
    p.Visited = true;
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
    std::vector<std::pair<std::string, DayTariffs>> visited;
    for (const ProviderDays& p : providers_)
        if (p.Visited)
            visited.emplace_back(p.Name, p.Days);
    Tariffs(store_).SaveDayMaps(visited, tariffs_);
    accept();
}

// The dialog is about the providers' days: F1 and "&Help" open the same page.
void TForm3::HelpClick() {
    help_.ShowContext(HelpContext::Providers);
}

void TForm3::done(int result) {
    {
        const QSignalBlocker blocker(ListBox1);
        ListBox1->clear();
    }
    QDialog::done(result);
}

// --- Drag and drop -----------------------------------------------------------------------------

QMimeData* TForm3::TariffDragData(int row) const {
    const QTreeWidgetItem* item = Tariff->topLevelItem(row);
    if (!item)
        return nullptr;
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kDragMimeType), item->text(0).toUtf8());
    return mime;
}

QMimeData* TForm3::DayDragData(int day) const {
    const QTreeWidgetItem* item = Days->topLevelItem(day);
    if (!item || item->text(0).isEmpty())
        return nullptr;
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kDayDragMimeType), QByteArray::number(day));
    return mime;
}

bool TForm3::DropOnDay(const QMimeData& mime, int day, bool apply) {
    QTreeWidgetItem* item = Days->topLevelItem(day);
    const std::string name = mime.data(QLatin1String(kDragMimeType)).toStdString();
    // Only a listed profile: the data may come from anywhere.
    if (!item || !mime.hasFormat(QLatin1String(kDragMimeType)) || !FindProfile(tariffs_, name))
        return false;
    if (apply)
        SetDayTariff(day, QString::fromStdString(name));
    return true;
}

bool TForm3::DropOnTariffs(const QMimeData& mime, bool apply) {
    bool isNumber = false;
    const int day = mime.data(QLatin1String(kDayDragMimeType)).toInt(&isNumber);
    QTreeWidgetItem* item = isNumber ? Days->topLevelItem(day) : nullptr;
    if (!item || item->text(0).isEmpty())
        return false;
    if (apply)
        SetDayTariff(day, QString());
    return true;
}

} // namespace netrova
