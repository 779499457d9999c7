#pragma once

#include "reports/Report.h"

class QWidget;

namespace netrova {

// Writes reports for the main window on a worker thread, so that the window keeps ticking and
// painting: a busy cursor at once, and a progress box once the report takes more than a second.
// Returns when the report is done. One report at a time; another asked for meanwhile is refused.
class ReportProgressRunner : public ReportRunner {
public:
    explicit ReportProgressRunner(QWidget* parent) : parent_(parent) {}
    ReportOutcome Run(const std::string& programPath, int year, int month, int day) override;

private:
    QWidget* parent_;
    bool busy_ = false;
};

} // namespace netrova
