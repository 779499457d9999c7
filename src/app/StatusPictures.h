#pragma once

#include <QIcon>
#include <QPixmap>

namespace netrova {

// The program's pictures, drawn for it as SVG (app/pictures) and rendered at the size asked.

// The picture `name` (without ".svg") rendered square at `size` device-independent pixels.
QPixmap Picture(const char* name, int size);
// The picture `name` as an icon, rendered sharp at whatever size it is shown.
QIcon PictureIcon(const char* name);

QPixmap ConnectedPicture();
QPixmap NotConnectedPicture();
QIcon ProgramIcon();
// The window's image list: 0 the tray icon while not connected, 1 while connected, 2 the
// holiday mark.
QIcon ImageListPicture(int index);
// The tray icon: connected or not, marked while a limit is past its first warning.
QIcon TrayPicture(bool connected, bool pastWarning);

} // namespace netrova
