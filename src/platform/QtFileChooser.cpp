#include "platform/QtFileChooser.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

namespace netrova {

const char* const QtFileChooser::kExecutableFilter = "Executable files";
const char* const QtFileChooser::kAllFilter = "All files";

namespace {

// Name patterns cannot tell an executable on Linux, so the permission decides.
class ExecutableFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void SetExecutableOnly(bool on) {
        executableOnly_ = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (!executableOnly_)
            return true;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QModelIndex index = files->index(row, 0, parent);
        return files->isDir(index) || files->fileInfo(index).isExecutable();
    }

private:
    bool executableOnly_ = true;
};

QString FilterName(const char* name) {
    // The pattern is hidden from the user; the proxy does the filtering.
    return QString::fromLatin1(name) + QStringLiteral(" (*)");
}

} // namespace

std::unique_ptr<QFileDialog> QtFileChooser::MakeDialog(const std::string& title, QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString::fromStdString(title));
    dialog->setObjectName(QStringLiteral("FileChooser"));
    // A proxy model needs Qt's own dialog.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    auto* filter = new ExecutableFilter(dialog.get());
    dialog->setProxyModel(filter);
    dialog->setNameFilters({FilterName(kExecutableFilter), FilterName(kAllFilter)});
    // The filter box of Qt's dialog, so that a filter chosen by the program counts as well.
    if (auto* filters = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        QObject::connect(filters, &QComboBox::currentIndexChanged, filter,
                         [filter](int index) { filter->SetExecutableOnly(index == 0); });
    else
        QObject::connect(dialog.get(), &QFileDialog::filterSelected, filter,
                         [filter](const QString& chosen) {
                             filter->SetExecutableOnly(chosen == FilterName(kExecutableFilter));
                         });
    return dialog;
}

std::string QtFileChooser::ChooseProgram(const std::string& title) {
    // Without a parent of its own the dialog belongs to the window that asked.
    QWidget* parent = parent_ ? parent_ : QApplication::activeModalWidget();
    const auto dialog = MakeDialog(title, parent ? parent : QApplication::activeWindow());
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return dialog->selectedFiles().front().toStdString();
}

} // namespace netrova
