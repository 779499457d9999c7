#pragma once

#include <QPixmap>

namespace netrova {

// The history windows' pictures, rendered from their SVG at the size asked for.
QPixmap ViewMarkerPicture(int size = 16); // on the button of the view in force
QPixmap ArrowDownPicture(int size = 16);  // ascending order
QPixmap ArrowUpPicture(int size = 16);    // descending order

} // namespace netrova
