#pragma once

class QIcon;

namespace quorvel::about {

// The program icon with every size drawn for it (16 to 256 pixels), for the
// application, its window title bars and the About box. Calling it also makes
// sure the icon resources under ":/icons/" are linked in and registered.
QIcon programIcon();

} // namespace quorvel::about
