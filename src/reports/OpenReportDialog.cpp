#include "reports/OpenReportDialog.h"

#include "history/HistoryFile.h"
#include "platform/DialogSupport.h"
#include "platform/TextViewer.h"
#include "reports/ReportFiles.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace netrova {

TForm10::TForm10(TextViewer& viewer, std::function<std::string()> programPath, QWidget* parent)
    : QDialog(parent), viewer_(viewer), programPath_(std::move(programPath)) {
    setObjectName(QStringLiteral("OpenReportDialog"));
    setWindowTitle(QStringLiteral("Open report"));
    BuildControls();
    PrepareDialog();
    FitOnScreen(*this);
}

TForm10::~TForm10() = default;

void TForm10::BuildControls() {
    auto* group = new QGroupBox(QStringLiteral("Select report:"), this);
    FileListBox1 = new QListWidget(group);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setAccessibleName(QStringLiteral("Reports"));
    FileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    FileListBox1->setUniformItemSizes(true);
    FileListBox1->setToolTip(QStringLiteral("Select available report from the list"));
    FileListBox1->setMinimumHeight(6 * FileListBox1->fontMetrics().height());
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, &TForm10::BitBtn1Click);

    const DialogButtons buttons = MakeButtonRow(
        *this, {.accept = "Open", .acceptName = "OpenButton", .help = false, .form = false});
    OpenButton = buttons.ok;
    CancelButton = buttons.cancel;
    connect(OpenButton, &QPushButton::clicked, this, &TForm10::BitBtn1Click);
    connect(FileListBox1, &QListWidget::itemSelectionChanged, this,
            [this] { OpenButton->setEnabled(!FileListBox1->selectedItems().isEmpty()); });
    (new QVBoxLayout(group))->addWidget(FileListBox1);
    // A viewer that did not start is told here, the dialog staying open as it does.
    Problem = new QLabel(this);
    Problem->setObjectName(QStringLiteral("Problem"));
    Problem->setWordWrap(true);
    Problem->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addWidget(Problem);
    layout->addLayout(buttons.row);
}

void TForm10::showEvent(QShowEvent* event) {
    PrepareDialog();
    FitGrownContents(*this); // a longer name than before widens it
    QDialog::showEvent(event);
}

void TForm10::PrepareDialog() {
    PrepareReportsFolder(programPath_());
    FileListBox1->clear();
    const std::vector<std::string> names = ListReports(programPath_());
    for (const std::string& name : names)
        FileListBox1->addItem(QString::fromStdString(name));
    if (names.empty()) {
        auto* none = new QListWidgetItem(QStringLiteral("No reports"), FileListBox1);
        none->setFlags(Qt::NoItemFlags);
    }
    // Nothing chosen yet: not even the focus frame of the list's first entry, which would look
    // chosen.
    FileListBox1->setCurrentIndex(QModelIndex());
    OpenButton->setEnabled(false);
    FitNames();
}

void TForm10::FitNames() {
    const QScreen* screen = this->screen();
    const int most = screen ? screen->availableGeometry().width() * 3 / 4 : 1 << 16;
    const int frame = 2 * FileListBox1->frameWidth() +
                      FileListBox1->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    int widest = 0;
    for (int i = 0; i < FileListBox1->count(); ++i) {
        QListWidgetItem* item = FileListBox1->item(i);
        const int need = FileListBox1->sizeHintForIndex(FileListBox1->indexFromItem(item)).width();
        widest = std::max(widest, need);
        // A name wider than any window here is cut with "…"; the tooltip shows it whole.
        if (need + frame > most)
            item->setToolTip(item->text());
    }
    // At least the room of a name the program gives, in the list's own font.
    const QFontMetrics metrics = FileListBox1->fontMetrics();
    const int least = metrics.horizontalAdvance(QStringLiteral("0000-00-00.rpt")) +
                      4 * metrics.averageCharWidth() + frame;
    FileListBox1->setMinimumWidth(std::max(least, std::min(widest + frame, most)));
}

void TForm10::BitBtn1Click() {
    const QList<QListWidgetItem*> selected = FileListBox1->selectedItems();
    if (selected.isEmpty())
        return;
    // The full path: the viewer does not depend on the process's current folder.
    const std::string path =
        ReportsPath(programPath_()) + "/" + selected.front()->text().toStdString();
    const bool opened = viewer_.Open(path);
    Problem->setText(
        opened ? QString()
               : QString::fromStdString("No viewer could be started for the report " + path + "."));
    Problem->setVisible(!opened);
}

} // namespace netrova
