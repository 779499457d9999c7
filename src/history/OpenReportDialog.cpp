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
    FitOnScreen(*this);
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

    OpenButton = new QPushButton(QStringLiteral("Open"), this);
    OpenButton->setObjectName(QStringLiteral("BitBtn1"));
    OpenButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("BitBtn2"));
    CancelButton->setAutoDefault(false);
    connect(OpenButton, &QPushButton::clicked, this, &TForm10::BitBtn1Click);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OpenButton);
    buttons->addWidget(CancelButton);

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
