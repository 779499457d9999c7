#pragma once

#include <QPixmap>

class QDialog;
class QHBoxLayout;
class QPushButton;
class QTableView;

namespace netrova {

// The history windows' pictures, rendered from their SVG at the size asked for.
QPixmap ViewMarkerPicture(int size = 16); // on the button of the view in force
QPixmap ArrowDownPicture(int size = 16);  // ascending order
QPixmap ArrowUpPicture(int size = 16);    // descending order

// A read-only report-style list with grid lines, one fixed row height (so that the view never
// measures a long list row by row), clickable headers and the given column widths.
void SetUpHistoryList(QTableView& list, const int* widths, int columns, int minimumHeight);

// The "OK" (default, closes) and "&Help" buttons of a history window, named BitBtn1 and BitBtn2,
// right-aligned in one row.
struct OkHelpButtons {
    QPushButton* ok;
    QPushButton* help;
    QHBoxLayout* row;
};
OkHelpButtons MakeOkHelpButtons(QDialog& window);

} // namespace netrova
