#pragma once

#include "platform/FileChooser.h"

#include <memory>

class QFileDialog;
class QWidget;

namespace netrova {

// The file-open dialog with two filters: "Executable files" lists folders and the files the
// user may execute, "All files" every file.
class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* parent = nullptr) : parent_(parent) {}

    std::string ChooseProgram(const std::string& title) override;

    // The dialog as ChooseProgram shows it; tests look at its filtering.
    static std::unique_ptr<QFileDialog> MakeDialog(const std::string& title, QWidget* parent);

    static const char* const kExecutableFilter;
    static const char* const kAllFilter;

private:
    QWidget* parent_;
};

} // namespace netrova
