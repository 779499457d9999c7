#include "tariffs/TariffEditorDialog.h"

#include "common/Text.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "tariffs/NameLists.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

namespace netrova {

namespace {

constexpr int kNumberLength = 2;
// The name field at its narrowest and the tariff list at its usual width, in average characters
// of the font, and the list's rows: fewer when the screen is short, more when there is room.
constexpr int kFewestChars = 14;
constexpr int kFewestRows = 4;
constexpr int kPreferredRows = 7;

const char* const kCreateHint =
    "To create tariff enter tariff's name and then press 'Create new tariff' button";

// Limits what the user types, as a maximum length would, but leaves texts set by the program
// whole: a stored number longer than the field must reach the check and the store unchanged.
// A backslash would split a tariff's name into nested keys of the store, so it is refused.
class TypedTextValidator : public QValidator {
public:
    TypedTextValidator(int maxLength, bool refuseBackslash, QObject* parent)
        : QValidator(parent), maxLength_(maxLength), refuseBackslash_(refuseBackslash) {}

    State validate(QString& input, int&) const override {
        if (input.size() > maxLength_)
            return Invalid;
        if (refuseBackslash_ && input.contains(QLatin1Char('\\')))
            return Invalid;
        return Acceptable;
    }

private:
    int maxLength_;
    bool refuseBackslash_;
};

QIcon MarkIcon() {
    // Drawn for each usual device pixel ratio, so that a scaled desktop shows it sharp.
    QIcon icon;
    for (const qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
        QPixmap pixmap(QSize(16, 16) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(QColor(0, 128, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        QPainterPath tick;
        tick.moveTo(3, 8.5);
        tick.lineTo(6.5, 12);
        tick.lineTo(13, 4);
        painter.drawPath(tick);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QLineEdit* NumberEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(QStringLiteral("0"), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAlignment(Qt::AlignRight);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 16);
    return edit;
}

} // namespace

TForm5::TForm5(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, QWidget* parent)
    : QDialog(parent), boxes_(boxes), help_(help), editor_(store) {
    BuildControls();
    FitOnScreen(*this);
}

TForm5::~TForm5() = default;

int TForm5::Execute(SettingsStore& store, MessageBoxes& boxes, HelpViewer& help, QWidget* parent) {
    TForm5 dialog(store, boxes, help, parent);
    return ExecDialog(dialog, dialog.errors_);
}

void TForm5::BuildControls() {
    setObjectName(QStringLiteral("TariffEditorDialog"));
    setWindowTitle(QStringLiteral("Tariffs Options"));

    auto* tariffsBox = new QGroupBox(QStringLiteral("Tariffs:"), this);
    ListBox1 = new SizedList<QListWidget>(tariffsBox);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setAccessibleName(QStringLiteral("Tariffs"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ElideNames(*ListBox1);
    Edit7 = new QLineEdit(tariffsBox);
    Edit7->setObjectName(QStringLiteral("Edit7"));
    Edit7->setAccessibleName(QStringLiteral("Tariff's name"));
    Edit7->setValidator(new TypedTextValidator(kMaxTariffNameLength, true, Edit7));
    Edit7->setMinimumWidth(kFewestChars * Edit7->fontMetrics().averageCharWidth());
    CreateButton = new QPushButton(QStringLiteral("Create new tariff"), tariffsBox);
    CreateButton->setObjectName(QStringLiteral("CreateButton"));
    RenameButton = new QPushButton(QStringLiteral("Rename tariff"), tariffsBox);
    RenameButton->setObjectName(QStringLiteral("RenameButton"));
    DeleteButton = new QPushButton(QStringLiteral("Delete tariff"), tariffsBox);
    DeleteButton->setObjectName(QStringLiteral("DeleteButton"));
    for (QPushButton* b : {CreateButton, RenameButton, DeleteButton})
        b->setAutoDefault(false);

    auto* tariffsGrid = new QGridLayout(tariffsBox);
    tariffsGrid->addWidget(ListBox1, 0, 0, 5, 1);
    tariffsGrid->addWidget(Edit7, 0, 1);
    tariffsGrid->addWidget(CreateButton, 1, 1);
    tariffsGrid->addWidget(RenameButton, 2, 1);
    tariffsGrid->addWidget(DeleteButton, 3, 1);
    tariffsGrid->setRowStretch(4, 1);
    tariffsGrid->setColumnStretch(0, 2);
    tariffsGrid->setColumnStretch(1, 1);

    auto* intervalsBox = new QGroupBox(this);
    Edit5 = NumberEdit("Edit5", intervalsBox);
    Edit6 = NumberEdit("Edit6", intervalsBox);
    Edit1 = NumberEdit("Edit1", intervalsBox);
    Edit2 = NumberEdit("Edit2", intervalsBox);
    Edit3 = NumberEdit("Edit3", intervalsBox);
    Edit4 = NumberEdit("Edit4", intervalsBox);
    for (QLineEdit* e : {Edit5, Edit6, Edit3, Edit4})
        e->setValidator(new TypedTextValidator(kNumberLength, false, e));
    for (QLineEdit* e : {Edit1, Edit2}) {
        e->setReadOnly(true);
        e->setEnabled(false);
    }
    SpeedButton3 = new QToolButton(intervalsBox);
    SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
    SpeedButton3->setText(QStringLiteral("OCPD"));
    SpeedButton3->setToolTip(QStringLiteral("One cost per day"));
    SpeedButton3->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Looks pressed while the mode is on.
    SpeedButton3->setCheckable(true);
    SpeedButton3->setIconSize(QSize(16, 16));
    // Sized with the mark so that the button keeps its size when the mark goes.
    SpeedButton3->setIcon(MarkIcon());
    SpeedButton3->setMinimumSize(SpeedButton3->sizeHint());
    SpeedButton3->setIcon(QIcon());

    const auto label = [intervalsBox](const char* text, QWidget* buddy, bool right = false) {
        auto* l = new QLabel(QString::fromUtf8(text), intervalsBox);
        l->setBuddy(buddy);
        l->setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        return l;
    };
    auto* grid = new QGridLayout(intervalsBox);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->addWidget(label("Enter hour when interval 'A' begins:", Edit5), 0, 0);
    grid->addWidget(Edit5, 0, 1);
    grid->addWidget(label("and when ends:", Edit6, true), 0, 2);
    grid->addWidget(Edit6, 0, 3);
    grid->addWidget(label("Interval 'B' begins:", Edit1), 1, 0);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(label("and ends:", Edit2, true), 1, 2);
    grid->addWidget(Edit2, 1, 3);
    grid->addWidget(label("'A' interval's cost per minute (in cents):", Edit3), 2, 0);
    grid->addWidget(Edit3, 2, 1);
    grid->addWidget(SpeedButton3, 2, 2, 2, 2, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(label("'B' interval's cost per minute (in cents):", Edit4), 3, 0);
    grid->addWidget(Edit4, 3, 1);
    grid->setColumnStretch(2, 1);

    const DialogButtons buttons = MakeConnectedButtons(
        *this, errors_, [this] { BitBtn1Click(); }, [this] { HelpClick(); });

    auto* main = new QVBoxLayout(this);
    main->addWidget(tariffsBox, 1);
    main->addWidget(intervalsBox);
    main->addSpacing(4);
    main->addLayout(buttons.row);

    connect(ListBox1, &QListWidget::currentRowChanged, this, &TForm5::ListBox1Click);
    connect(CreateButton, &QPushButton::clicked, this, &TForm5::CreateClick);
    connect(RenameButton, &QPushButton::clicked, this, &TForm5::RenameClick);
    connect(DeleteButton, &QPushButton::clicked, this, &TForm5::DeleteClick);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm5::ToggleOneCostPerDay);
    connect(Edit5, &QLineEdit::textChanged, this, [this] { NumberChanged(Edit5, true); });
    connect(Edit6, &QLineEdit::textChanged, this, [this] { NumberChanged(Edit6, true); });
    connect(Edit3, &QLineEdit::textChanged, this, [this] { NumberChanged(Edit3, false); });
    connect(Edit4, &QLineEdit::textChanged, this, [this] { NumberChanged(Edit4, false); });
    FitList();
}

void TForm5::FitList() {
    const int names = ColumnWidth(*ListBox1, 0);
    const int fewest = kFewestChars * ListBox1->fontMetrics().averageCharWidth();
    ListBox1->setMinimumSize(LeastNameWidth(*ListBox1, names) + Chrome(*ListBox1),
                             RowsHeight(*ListBox1, kFewestRows));
    static_cast<SizedList<QListWidget>*>(ListBox1)->SetPreferredSize(
        {std::max(fewest, names) + Chrome(*ListBox1), RowsHeight(*ListBox1, kPreferredRows)});
}

void TForm5::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_)
        QueueActivation(*this, errors_, [this] { FormActivate(); });
}

void TForm5::FormActivate() {
    if (activated_)
        return;
    activated_ = true;
    LoadProfiles();
    // The names are in: the window takes its size from them and is centred at that size.
    FitList();
    FitOnScreen(*this);
}

void TForm5::LoadProfiles() {
    editor_.Load();
    ShowNames();
    if (!editor_.Empty()) {
        SelectRow(0);
        ShowCurrentName();
        ShowProfile();
    } else {
        boxes_.Show(kCreateHint, MsgIcon::Information);
        ResetProfileFields();
    }
}

void TForm5::ShowNames() {
    const QSignalBlocker blocker(ListBox1);
    ListBox1->clear();
    for (const TariffProfile& p : editor_.Profiles())
        ListBox1->addItem(QString::fromStdString(p.Name));
}

void TForm5::ShowCurrentName() {
    Edit7->setText(QString::fromStdString(editor_.CurrentProfile().Name));
    // A name longer than the field shows its beginning, as the list does.
    Edit7->setCursorPosition(0);
}

void TForm5::ShowProfile() {
    // Copied first: the change checks below may show boxes, and nothing must alias the profile.
    const TariffProfile p = editor_.CurrentProfile();
    Edit5->setText(QString::number(p.StartingInterval));
    Edit6->setText(QString::number(p.EndingInterval));
    Edit3->setText(QString::number(p.DayCost));
    Edit4->setText(QString::number(p.NightCost));
    if (oneCostPerDay_ != (p.OCPD != 0))
        ToggleOneCostPerDay();
}

TariffProfile TForm5::ShownNumbers() const {
    TariffProfile p;
    p.StartingInterval = LeadingInt(Edit5->text().toStdString());
    p.EndingInterval = LeadingInt(Edit6->text().toStdString());
    p.DayCost = LeadingInt(Edit3->text().toStdString());
    p.NightCost = LeadingInt(Edit4->text().toStdString());
    p.OCPD = oneCostPerDay_ ? 1 : 0;
    return p;
}

void TForm5::KeepShown() {
    editor_.Keep(ShownNumbers());
}

void TForm5::ResetProfileFields() {
    for (QLineEdit* e : {Edit5, Edit6, Edit1, Edit2, Edit3, Edit4})
        e->setText(QStringLiteral("0"));
    if (oneCostPerDay_)
        ToggleOneCostPerDay();
}

void TForm5::NumberChanged(QLineEdit* field, bool isHour) {
    // Setting "0" runs this again; "0" always passes, so it goes no deeper.
    const TariffEditor::NumberCheck check =
        TariffEditor::CheckNumber(field->text().toStdString(), isHour);
    for (const std::string& warning : check.warnings)
        boxes_.Show(warning, MsgIcon::Warning);
    if (!check.keep)
        field->setText(QStringLiteral("0"));
    if (isHour) {
        Edit1->setText(Edit6->text());
        Edit2->setText(Edit5->text());
    }
}

void TForm5::ToggleOneCostPerDay() {
    oneCostPerDay_ = !oneCostPerDay_;
    SpeedButton3->setChecked(oneCostPerDay_);
    SpeedButton3->setIcon(oneCostPerDay_ ? MarkIcon() : QIcon());
    for (QLineEdit* e : {Edit5, Edit6, Edit4})
        e->setEnabled(!oneCostPerDay_);
}

void TForm5::SelectRow(int row) {
    const QSignalBlocker blocker(ListBox1);
    ListBox1->setCurrentRow(row);
}

void TForm5::ListBox1Click(int row) {
    if (row < 0 || row >= editor_.Count())
        return;
    KeepShown();
    editor_.Select(row);
    ShowCurrentName();
    ShowProfile();
}

void TForm5::CreateClick() {
    // The shown profile takes its edits along before the fields are reset.
    KeepShown();
    const std::string refusal = editor_.Create(Edit7->text().toStdString());
    if (!refusal.empty()) {
        boxes_.Show(refusal, MsgIcon::Stop);
        return;
    }
    ShowNames();
    SelectRow(editor_.Current());
    ResetProfileFields();
}

void TForm5::RenameClick() {
    if (editor_.Empty())
        return;
    const std::string refusal = editor_.Rename(Edit7->text().toStdString());
    if (!refusal.empty()) {
        boxes_.Show(refusal, MsgIcon::Stop);
        return;
    }
    ListBox1->item(editor_.Current())->setText(Edit7->text());
}

void TForm5::DeleteClick() {
    if (editor_.Empty())
        return;
    const std::string question =
        "Are you sure to delete tariff '" + editor_.CurrentProfile().Name + "'?";
    if (boxes_.Show(question, MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
        return;
    editor_.DeleteCurrent();
    ShowNames();
    SelectRow(0);
    if (!editor_.Empty()) {
        ShowCurrentName();
        ShowProfile();
    } else {
        Edit7->clear();
        ResetProfileFields();
    }
}

void TForm5::BitBtn1Click() {
    KeepShown();
    editor_.Save();
    accept();
}

void TForm5::HelpClick() {
    help_.ShowContext(HelpContext::Tariffs);
}

void TForm5::done(int result) {
    {
        const QSignalBlocker blocker(ListBox1);
        ListBox1->clear();
    }
    Edit7->clear();
    ResetProfileFields();
    QDialog::done(result);
}

} // namespace netrova
