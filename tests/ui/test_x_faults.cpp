// X protocol errors on a connection opened with Open_Display: each is
// reported on standard error in one line and the connection goes on working.

#include <gtest/gtest.h>

#include "ui/X_Session.h"

#include <X11/Xlib.h>

namespace {

struct Provoked_Error {
    const char* what;
    void (*provoke)(Display*);
    const char* line;
};

void Load_Missing_Font(Display* display) {
    XLoadFont(display, "-zembrix-no-such-font-*");
}

void Map_Missing_Window(Display* display) {
    XMapWindow(display, 0x3FFFFFF);
}

void Cursor_From_Missing_Font(Display* display) {
    XColor black{};
    XColor white{};
    white.red = white.green = white.blue = 0xFFFF;
    XCreateGlyphCursor(display, 0x3FFFFFE, 0x3FFFFFE, 0, 0, &black, &white);
}

const Provoked_Error errors[] = {
    {"a font the server lacks", Load_Missing_Font,
     "X error: BadName (named color or font does not exist) (request 45.0)\n"},
    {"a window that is gone", Map_Missing_Window,
     "X error: BadWindow (invalid Window parameter) (request 8.0)\n"},
    {"a cursor from a font the server lacks", Cursor_From_Missing_Font,
     "X error: BadFont (invalid Font parameter) (request 94.0)\n"},
};

} // namespace

TEST(XFaults, ProtocolErrorsAreReportedAndTheProgramGoesOn) {
    const Display_Handle display = Open_Display();
    ASSERT_TRUE(display);
    for (const Provoked_Error& error : errors) {
        SCOPED_TRACE(error.what);
        testing::internal::CaptureStderr();
        error.provoke(display.get());
        XSync(display.get(), False);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), error.line);
    }
    // The connection still serves requests, without further complaint.
    testing::internal::CaptureStderr();
    const Fixed_Window window = Create_Fixed_Window(display.get(), {100, 80, 40, "after errors"});
    XSync(display.get(), False);
    XWindowAttributes attributes{};
    EXPECT_NE(XGetWindowAttributes(display.get(), window.window, &attributes), 0);
    EXPECT_EQ(attributes.width, 100);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
