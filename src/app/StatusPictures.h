#pragma once

#include <QIcon>
#include <QPixmap>

namespace netrova {

// The pictures of the main window, drawn rather than shipped as files.
QPixmap ConnectedPicture();
QPixmap NotConnectedPicture();
QIcon ProgramIcon();

} // namespace netrova
