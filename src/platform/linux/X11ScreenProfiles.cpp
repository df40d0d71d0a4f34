#include "platform/linux/X11ScreenProfiles.h"

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace quorvel::platform {

namespace {

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

// The atom, if the server knows it; a property can't exist under a name the
// server has never interned.
xcb_atom_t existingAtom(xcb_connection_t *connection, const QByteArray &name)
{
    const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

enum class Reading { Whole, Changed, Unreadable };

// The property's bytes, read in parts. A profile is replaced as a whole
// (one ChangeProperty), but between two parts it can be: a part whose sizes
// don't add up with the ones before says so, and the reading starts again.
Reading readProperty(xcb_connection_t *connection, xcb_window_t root, xcb_atom_t atom,
                     QByteArray &bytes)
{
    bytes.clear();
    quint32 offsetLongs = 0;
    qint64 total = -1;
    for (;;) {
        const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, root, atom, XCB_GET_PROPERTY_TYPE_ANY, offsetLongs,
                             X11ScreenProfiles::partBytes / 4),
            nullptr));
        if (!reply)
            return Reading::Unreadable;
        if (reply->type == XCB_ATOM_NONE) {
            // Gone, or never there.
            return total < 0 ? Reading::Whole : Reading::Changed;
        }
        if (reply->format != 8)
            return Reading::Unreadable;
        const int length = xcb_get_property_value_length(reply.get());
        const qint64 seen = qint64(offsetLongs) * 4 + length + reply->bytes_after;
        if (total >= 0 && seen != total)
            return Reading::Changed;
        total = seen;
        bytes.append(static_cast<const char *>(xcb_get_property_value(reply.get())), length);
        if (reply->bytes_after == 0)
            return Reading::Whole;
        // More follows only after a whole part, which is a whole number of
        // 32-bit units.
        if (length <= 0 || length % 4 != 0)
            return Reading::Unreadable;
        offsetLongs += quint32(length / 4);
    }
}

} // namespace

QByteArray X11ScreenProfiles::profile(int screen) const
{
    if (!m_connection || screen < 0 || xcb_connection_has_error(m_connection))
        return {};
    const QByteArray name = screen == 0 ? QByteArrayLiteral("_ICC_PROFILE")
                                        : "_ICC_PROFILE_" + QByteArray::number(screen);
    const xcb_atom_t atom = existingAtom(m_connection, name);
    if (atom == XCB_ATOM_NONE)
        return {};
    // The convention puts every screen's profile on the first root window,
    // whatever the layout of monitors behind the screens.
    const xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    if (roots.rem == 0)
        return {};
    QByteArray bytes;
    for (int attempt = 0; attempt < 3; ++attempt) {
        switch (readProperty(m_connection, roots.data->root, atom, bytes)) {
        case Reading::Whole:
            return bytes;
        case Reading::Unreadable:
            return {};
        case Reading::Changed:
            break;
        }
    }
    return {};
}

} // namespace quorvel::platform
