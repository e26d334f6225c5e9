#include "DesktopEffects.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

struct TFree {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using TReply = std::unique_ptr<T, TFree>;

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name)
{
    const TReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_screen_t* ScreenAt(xcb_connection_t* connection, int number)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it))
        if (i == number) return it.data;
    return nullptr;
}

// Whether the root window's _NET_SUPPORTED list holds `wanted`.
bool Supported(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t wanted)
{
    const xcb_atom_t supported = Atom(connection, "_NET_SUPPORTED");
    if (supported == XCB_ATOM_NONE || wanted == XCB_ATOM_NONE) return false;
    // Read the whole list, however long, a block of atoms at a time.
    for (uint32_t offset = 0;;) {
        const TReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, supported, XCB_ATOM_ATOM, offset, 1024), nullptr));
        if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32) return false;
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        for (int i = 0; i < count; ++i)
            if (atoms[i] == wanted) return true;
        if (reply->bytes_after == 0 || count == 0) return false;
        offset += static_cast<uint32_t>(count);
    }
}

} // namespace

int ScreenOfDisplayName(const std::string& displayName)
{
    // host:display.screen
    const auto colon = displayName.rfind(':');
    if (colon == std::string::npos) return 0;
    const auto dot = displayName.find('.', colon);
    if (dot == std::string::npos || dot + 1 >= displayName.size()) return 0;
    int screen = 0;
    for (std::size_t i = dot + 1; i < displayName.size(); ++i) {
        const char c = displayName[i];
        if (c < '0' || c > '9' || screen > 1000) return 0;
        screen = screen * 10 + (c - '0');
    }
    return screen;
}

TDesktopEffects DetectDesktopEffects()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection)) return {};

    const char* display = std::getenv("DISPLAY");
    const int number = ScreenOfDisplayName(display ? display : "");
    const xcb_screen_t* screen = ScreenAt(connection, number);
    if (!screen) return {};

    TDesktopEffects effects;
    // A window manager that blurs behind windows lists the region property
    // its windows set to ask for it.
    effects.BlurBehind = Supported(connection, screen->root, Atom(connection, "_KDE_NET_WM_BLUR_BEHIND_REGION"));
    // A compositing manager owns the selection _NET_WM_CM_S<screen> while it runs.
    const xcb_atom_t selection = Atom(connection, "_NET_WM_CM_S" + std::to_string(number));
    if (selection != XCB_ATOM_NONE) {
        const TReply<xcb_get_selection_owner_reply_t> owner(
            xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
        effects.Compositing = owner && owner->owner != XCB_WINDOW_NONE;
    }
    return effects;
}

bool SetBlurBehindRegion(unsigned long window, bool on)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection) || window == 0) return false;
    if (on && !DetectDesktopEffects().BlurBehind) return false;
    const xcb_atom_t region = Atom(connection, "_KDE_NET_WM_BLUR_BEHIND_REGION");
    if (region == XCB_ATOM_NONE) return false;
    const auto id = static_cast<xcb_window_t>(window);
    // An empty region stands for the whole window.
    if (on)
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, region, XCB_ATOM_CARDINAL, 32, 0, nullptr);
    else
        xcb_delete_property(connection, id, region);
    xcb_flush(connection);
    return on;
}
