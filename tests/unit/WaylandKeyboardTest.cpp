// Keys on Wayland below the protocol: wl_keyboard hands over a keymap and
// evdev key codes; the library's keyboard turns them into keysyms, the
// numbers X11's <X11/keysym.h> gives the same keys. Key presses cannot be
// injected into the test compositor, so the protocol side is not covered.
#include <string>

#include <gtest/gtest.h>

#include <X11/keysym.h>
#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

#include "support/OutputCapture.h"
#include "targets/linux/WaylandWindow.h"

namespace {

// The keymap a compositor would send: the US layout, as text.
std::string UsKeymapText()
{
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_rule_names names {};
    names.layout = "us";
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    std::string copy = text ? text : "";
    free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return copy;
}

TEST(WaylandKeyboard, EvdevKeysBecomeTheKeysymsX11GivesThem)
{
    varnox::wayland::Keyboard keyboard;
    // No keymap yet: no keysym.
    EXPECT_EQ(keyboard.KeyPressed(KEY_Q), 0u);

    const std::string text = UsKeymapText();
    ASSERT_FALSE(text.empty());
    ASSERT_TRUE(keyboard.SetKeymap(text.c_str(), text.size()));
    // The tools' keys (examples/common/ToolWindow.cpp).
    EXPECT_EQ(keyboard.KeyPressed(KEY_RIGHT), unsigned(XK_Right));
    EXPECT_EQ(keyboard.KeyPressed(KEY_LEFT), unsigned(XK_Left));
    EXPECT_EQ(keyboard.KeyPressed(KEY_SPACE), unsigned(XK_space));
    EXPECT_EQ(keyboard.KeyPressed(KEY_BACKSPACE), unsigned(XK_BackSpace));
    EXPECT_EQ(keyboard.KeyPressed(KEY_ESC), unsigned(XK_Escape));
    EXPECT_EQ(keyboard.KeyPressed(KEY_N), unsigned(XK_n));
    EXPECT_EQ(keyboard.KeyPressed(KEY_P), unsigned(XK_p));
    EXPECT_EQ(keyboard.KeyPressed(KEY_R), unsigned(XK_r));
    EXPECT_EQ(keyboard.KeyPressed(KEY_Q), unsigned(XK_q));

    // Shift held, as wl_keyboard.modifiers reports it: capitals; released:
    // small letters again.
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = xkb_keymap_new_from_string(
        context, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    const unsigned shift = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    keyboard.SetModifiers(shift, 0, 0, 0);
    EXPECT_EQ(keyboard.KeyPressed(KEY_Q), unsigned(XK_Q));
    keyboard.SetModifiers(0, 0, 0, 0);
    EXPECT_EQ(keyboard.KeyPressed(KEY_Q), unsigned(XK_q));

    // A key the keymap has nothing for, and a code no key has.
    EXPECT_EQ(keyboard.KeyPressed(0xfff0), 0u);
    EXPECT_EQ(keyboard.KeyPressed(0xffffffffu), 0u);

    // Text that is no keymap is refused with a line, and the keymap in use
    // stays.
    const char junk[] = "xkb_keymap { nonsense";
    EXPECT_EQ(vxtest::CaptureOutput([&] { EXPECT_FALSE(keyboard.SetKeymap(junk, sizeof junk - 1)); }),
        "Keyboard: the compositor's keymap (21 bytes) is not one\n");
    EXPECT_EQ(keyboard.KeyPressed(KEY_SPACE), unsigned(XK_space));
}

} // namespace
