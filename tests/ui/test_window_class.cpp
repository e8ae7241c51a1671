// The class that desktops match to the menu entry, on the windows the program
// makes and on the real program's start window.

#include <gtest/gtest.h>

#include "support/App_Session.h"
#include "ui/X_Session.h"

#include <X11/Xutil.h>

namespace {

// res_name and res_class of a window, "" where unset.
std::pair<std::string, std::string> Class_Of(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) {
        return {"", ""};
    }
    std::pair<std::string, std::string> result{hint.res_name ? hint.res_name : "",
                                               hint.res_class ? hint.res_class : ""};
    XFree(hint.res_name);
    XFree(hint.res_class);
    return result;
}

} // namespace

TEST(WindowClass, FixedWindowsCarryTheProgramsClass) {
    Display_Handle display = Open_Display();
    ASSERT_TRUE(display);
    const Fixed_Window window = Create_Fixed_Window(display.get(), {200, 100, 50, "Class test"});
    XSync(display.get(), False);
    EXPECT_EQ(Class_Of(display.get(), window.window),
              (std::pair<std::string, std::string>{"zembrix", "Zembrix"}));
}

TEST(WindowClass, StartWindowOfTheProgram) {
    App_Session app;
    app.Start();
    const Window window = app.Start_Window();
    ASSERT_NE(window, 0u);
    EXPECT_EQ(Class_Of(Test_Display(), window),
              (std::pair<std::string, std::string>{"zembrix", "Zembrix"}));
    Press_Key(window, "Escape");
    EXPECT_EQ(app.Finish(), 0);
}
