#pragma once

#include "platform/ScreenProfiles.h"

struct xcb_connection_t;

namespace quorvel::platform {

// The screen profiles of an X11 desktop, as the "ICC Profiles in X"
// convention publishes them: the root window's _ICC_PROFILE property for the
// first screen, _ICC_PROFILE_n for screen n. The convention counts monitors
// as Xinerama does, the primary first, which is the order Qt lists them in.
//
// It reads through the application's own connection to the X server, handed
// in by whoever made the application: that connection exists exactly when
// the application runs on X11, so on Wayland or offscreen there is none
// (null) and every screen reads as having no profile, rather than the
// profile of an X server the application does not draw on. It opens no
// connection of its own, and is read on the thread that owns the
// application's windows.
class X11ScreenProfiles final : public ScreenProfiles
{
public:
    explicit X11ScreenProfiles(xcb_connection_t *connection) : m_connection(connection) {}

    QByteArray profile(int screen) const override;

    // The property is read in parts of this many bytes; a calibrated
    // screen's profile with large tables is often bigger.
    static constexpr quint32 partBytes = 256 * 1024;

private:
    xcb_connection_t *const m_connection;
};

} // namespace quorvel::platform
