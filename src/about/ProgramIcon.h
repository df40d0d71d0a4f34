#pragma once

class QIcon;

namespace quorvel::about {

// The program icon with every size drawn for it (16 to 256 pixels), for the
// application, its window title bars and the About box. Calling it also makes
// sure the icon resources under ":/icons/" are linked in and registered.
QIcon programIcon();
// The one image of the icon drawn at size pixels (16, 24, 32, 48, 64, 128
// or 256), for a window that carries an icon of just that size.
QIcon programIconImage(int size);

} // namespace quorvel::about
