// The real program on a private X server that is then shut down: one clear
// line and exit status 1, instead of Xlib's own text.

#include <gtest/gtest.h>

#include "support/App_Session.h"
#include "support/X_Server.h"

#include <X11/Xlib.h>

namespace {

// Whether a top-level window with the title appears on the display in time.
bool Wait_For_Title(const std::string& display_name, const std::string& title) {
    Display* display = XOpenDisplay(display_name.c_str());
    if (!display) {
        return false;
    }
    bool found = false;
    for (int waited = 0; waited <= 10000 && !found; waited += 25) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) && name) {
                found = title == name;
                XFree(name);
            }
        }
        if (children) {
            XFree(children);
        }
        if (!found) {
            Sleep_Ms(25);
        }
    }
    XCloseDisplay(display);
    return found;
}

} // namespace

TEST(LostDisplay, EndsTheProgramWithOneLine) {
    Private_X_Server server({"-screen", "0", "800x600x24"});
    ASSERT_TRUE(server.Started()) << "Xvfb did not start";
    Temp_Dir dir;
    Program_Run run =
        Start_Program(Built_Program("zembrix"), {}, {"DISPLAY=" + server.display}, dir.path);
    ASSERT_TRUE(Wait_For_Title(server.display, start_window_title)) << Stderr_Of(run);

    server.Stop();
    const bool ended = Wait_For_Exit(&run, 10000);
    if (!ended) {
        Kill_Program(&run);
    }
    ASSERT_TRUE(ended) << "the program did not notice";
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(Stderr_Of(run), "Lost the connection to the X server\n");
    EXPECT_EQ(Stdout_Of(run), "");
}
