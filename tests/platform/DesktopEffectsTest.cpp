// The desktop's window effects, read from a real X server: a private Xvfb
// that the test sets up as a window manager and a compositor would.
// Without an X display (the offscreen platform) nothing is offered.

#include "DesktopEffects.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

xcb_connection_t* X11Connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

TEST(ScreenOfDisplayName, ReadsTheNumberAfterTheDot)
{
    const std::vector<std::pair<std::string, int>> cases{
        {":0", 0}, {":0.1", 1}, {"host:10.2", 2}, {"[::1]:3.4", 4}, {"", 0}, {":0.", 0}, {":0.x", 0}, {"noscreen", 0}};
    for (const auto& [name, screen] : cases) EXPECT_EQ(ScreenOfDisplayName(name), screen) << name;
}

class DesktopEffectsTest : public testing::Test {
protected:
    void SetUp() override
    {
        Connection = X11Connection();
        if (!Connection) GTEST_SKIP() << "no X display; run under the private display script";
        Root = xcb_setup_roots_iterator(xcb_get_setup(Connection)).data->root;
    }

    xcb_atom_t Atom(const std::string& name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            Connection, xcb_intern_atom(Connection, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
        const xcb_atom_t atom = reply->atom;
        std::free(reply);
        return atom;
    }

    void SetSupported(const std::vector<xcb_atom_t>& atoms)
    {
        xcb_change_property(Connection, XCB_PROP_MODE_REPLACE, Root, Atom("_NET_SUPPORTED"), XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(atoms.size()), atoms.data());
    }

    xcb_connection_t* Connection = nullptr;
    xcb_window_t Root = 0;
};

TEST_F(DesktopEffectsTest, BlurFollowsTheWindowManagersListCompositingTheSelectionsOwner)
{
    xcb_delete_property(Connection, Root, Atom("_NET_SUPPORTED"));
    EXPECT_EQ(DetectDesktopEffects(), TDesktopEffects{}) << "a bare X server offers nothing";

    const xcb_atom_t blur = Atom("_KDE_NET_WM_BLUR_BEHIND_REGION");
    const xcb_atom_t name = Atom("_NET_WM_NAME");
    SetSupported({name, blur});
    EXPECT_EQ(DetectDesktopEffects(), (TDesktopEffects{true, false}));
    SetSupported({name});
    EXPECT_EQ(DetectDesktopEffects(), TDesktopEffects{}) << "a window manager without blur";
    // A long list is read to its end.
    std::vector<xcb_atom_t> many(3000, name);
    many.push_back(blur);
    SetSupported(many);
    EXPECT_TRUE(DetectDesktopEffects().BlurBehind);
    xcb_delete_property(Connection, Root, Atom("_NET_SUPPORTED"));

    // A compositing manager owns _NET_WM_CM_S<screen> while it runs.
    const xcb_window_t window = xcb_generate_id(Connection);
    xcb_create_window(Connection, XCB_COPY_FROM_PARENT, window, Root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(Connection, window, Atom("_NET_WM_CM_S0"), XCB_CURRENT_TIME);
    EXPECT_EQ(DetectDesktopEffects(), (TDesktopEffects{false, true}));
    xcb_destroy_window(Connection, window);
    EXPECT_EQ(DetectDesktopEffects(), TDesktopEffects{}) << "the compositor ended";
}

TEST_F(DesktopEffectsTest, BlurRegionIsSetOnTheWindowOnlyWhereTheWindowManagerOffersIt)
{
    const xcb_window_t window = xcb_generate_id(Connection);
    xcb_create_window(Connection, XCB_COPY_FROM_PARENT, window, Root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t region = Atom("_KDE_NET_WM_BLUR_BEHIND_REGION");
    // The region property: nothing when absent, else its type and length.
    const auto property = [&]() -> std::optional<std::pair<xcb_atom_t, int>> {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            Connection, xcb_get_property(Connection, 0, window, region, XCB_GET_PROPERTY_TYPE_ANY, 0, 16), nullptr);
        std::optional<std::pair<xcb_atom_t, int>> out;
        if (reply && reply->type != XCB_ATOM_NONE) out.emplace(reply->type, xcb_get_property_value_length(reply));
        std::free(reply);
        return out;
    };

    xcb_delete_property(Connection, Root, Atom("_NET_SUPPORTED"));
    EXPECT_FALSE(SetBlurBehindRegion(window, true)) << "no blur offered";
    EXPECT_FALSE(property().has_value());

    SetSupported({region});
    EXPECT_TRUE(SetBlurBehindRegion(window, true));
    EXPECT_EQ(property(), (std::pair<xcb_atom_t, int>{XCB_ATOM_CARDINAL, 0})) << "an empty region: the whole window";
    EXPECT_FALSE(SetBlurBehindRegion(window, false));
    EXPECT_FALSE(property().has_value()) << "asked off, the property goes";
    EXPECT_FALSE(SetBlurBehindRegion(0, true)) << "no window";

    xcb_delete_property(Connection, Root, Atom("_NET_SUPPORTED"));
    xcb_destroy_window(Connection, window);
}

TEST(DesktopEffectsOffscreen, NothingWithoutAnXDisplay)
{
    if (X11Connection()) GTEST_SKIP() << "an X display";
    EXPECT_EQ(DetectDesktopEffects(), TDesktopEffects{});
    EXPECT_FALSE(SetBlurBehindRegion(1, true));
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
