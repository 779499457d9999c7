#include "history/OpenReportDialog.h"

#include "history/HistoryFile.h"
#include "history/ReportFiles.h"
#include "platform/DialogSupport.h"
#include "platform/TextViewer.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace netrova {

TForm10::TForm10(TextViewer& viewer, std::function<std::string()> programPath, QWidget* parent)
    : QDialog(parent), viewer_(viewer), programPath_(std::move(programPath)) {
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("Open report"));
    BuildControls();
    CenterOnScreen(*this);
    PrepareDialog();
}

TForm10::~TForm10() = default;

void TForm10::BuildControls() {
    auto* group = new QGroupBox(QStringLiteral("Select report:"), this);
    FileListBox1 = new QListWidget(group);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    FileListBox1->setUniformItemSizes(true);
    FileListBox1->setToolTip(QStringLiteral("Select available report from the list"));
    FileListBox1->setMinimumSize(220, 180);
    connect(FileListBox1, &QListWidget::itemDoubleClicked, this, &TForm10::BitBtn1Click);
    (new QVBoxLayout(group))->addWidget(FileListBox1);

    BitBtn1 = new QPushButton(QStringLiteral("Open"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm10::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TForm10::showEvent(QShowEvent* event) {
    PrepareDialog();
    QDialog::showEvent(event);
}

void TForm10::PrepareDialog() {
    PrepareReportsFolder(programPath_());
    FileListBox1->clear();
    for (const std::string& name : ListReports(programPath_()))
        FileListBox1->addItem(QString::fromStdString(name));
}

void TForm10::BitBtn1Click() {
    const QList<QListWidgetItem*> selected = FileListBox1->selectedItems();
    if (selected.isEmpty())
        return;
    // The full path: the viewer does not depend on the process's current folder.
    viewer_.Open(ReportsPath(programPath_()) + "/" + selected.front()->text().toStdString());
}

} // namespace netrova
