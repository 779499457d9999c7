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
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace netrova {

namespace {

constexpr int kListWidth = 180;
constexpr int kNameColumnWidth = 170;
constexpr int kDaysColumnWidth = 100;

const char* const kNoProviders = "No providers found!";
const char* const kNoTariffs = "No tariffs found! To create tariffs go to menu Options|Tariffs.";

const char* const kDayRowText[kDayCount] = {"Sunday",   "Monday", "Tuesday",  "Wednesday",
                                            "Thursday", "Friday", "Saturday", "Holiday"};

QPixmap DragPixmap(const QWidget& source, const QString& text);

// A one-level report list whose rows travel by the built-in drag and drop of its model, with
// this dialog's own MIME types: the dialog says what a row carries and what a drop does.
class DragList : public QTreeWidget {
public:
    using DragData = std::function<QMimeData*(int row)>;
    using Drop = std::function<bool(const QMimeData& data, int row, bool apply)>;

    DragList(QStringList types, DragData dragData, Drop drop, QWidget* parent)
        : QTreeWidget(parent), types_(std::move(types)), dragData_(std::move(dragData)),
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

    bool dropMimeData(QTreeWidgetItem* parent, int, const QMimeData* data,
                      Qt::DropAction) override {
        return data && drop_(*data, parent ? indexOfTopLevelItem(parent) : -1, true);
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
    // view's own clean-up after a move must not run.
    void startDrag(Qt::DropActions) override {
        if (!(QApplication::mouseButtons() & Qt::LeftButton))
            return;
        const QList<QTreeWidgetItem*> items = selectedItems();
        QMimeData* data = mimeData(items);
        if (!data)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->setPixmap(DragPixmap(*this, items.front()->text(0)));
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
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Tariffs"));

    auto* providerBox = new QGroupBox(QStringLiteral("Choose a provider:"), this);
    ListBox1 = new QListWidget(providerBox);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* providerLayout = new QVBoxLayout(providerBox);
    providerLayout->addWidget(ListBox1);

    Tariff = ReportList(
        new DragList(
            {QLatin1String(kDayDragMimeType)}, [this](int row) { return TariffDragData(row); },
            [this](const QMimeData& data, int, bool apply) { return DropOnTariffs(data, apply); },
            this),
        "Tariff", {QStringLiteral("Tariffs")});
    Tariff->setToolTip(QStringLiteral("Drag tariffs to -->"));
    Days =
        ReportList(new DragList(
                       {QLatin1String(kDragMimeType)}, [this](int row) { return DayDragData(row); },
                       [this](const QMimeData& data, int row, bool apply) {
                           return DropOnDay(data, row, apply);
                       },
                       this),
                   "Days", {QStringLiteral("Tariff's name"), QStringLiteral("Week days")});
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

    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { HelpClick(); });
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
        Days->topLevelItem(d)->setText(0, QString());
}

void TForm3::ReadDayMap(int provider) {
    if (provider < 0 || provider >= static_cast<int>(providers_.size()))
        return;
    const DayTariffs days = Tariffs(store_).DayMap(providers_[provider].Name);
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
    auto* data = new QMimeData;
    data->setData(QLatin1String(kDragMimeType), item->text(0).toUtf8());
    return data;
}

QMimeData* TForm3::DayDragData(int day) const {
    const QTreeWidgetItem* item = Days->topLevelItem(day);
    if (!item || item->text(0).isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setData(QLatin1String(kDayDragMimeType), QByteArray::number(day));
    return data;
}

bool TForm3::DropOnDay(const QMimeData& data, int day, bool apply) {
    QTreeWidgetItem* item = Days->topLevelItem(day);
    const std::string name = data.data(QLatin1String(kDragMimeType)).toStdString();
    // Only a listed profile: the data may come from anywhere.
    if (!item || !data.hasFormat(QLatin1String(kDragMimeType)) || !FindProfile(tariffs_, name))
        return false;
    if (apply)
        item->setText(0, QString::fromStdString(name));
    return true;
}

bool TForm3::DropOnTariffs(const QMimeData& data, bool apply) {
    bool isNumber = false;
    const int day = data.data(QLatin1String(kDayDragMimeType)).toInt(&isNumber);
    QTreeWidgetItem* item = isNumber ? Days->topLevelItem(day) : nullptr;
    if (!item || item->text(0).isEmpty())
        return false;
    if (apply)
        item->setText(0, QString());
    return true;
}

} // namespace netrova
