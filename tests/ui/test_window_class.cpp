// What desktops read from the windows: the class they match to the menu
// entry, and the names, for old window managers and new ones.

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

struct Property {
    std::string type; // "" where unset
    std::string bytes;
    bool operator==(const Property&) const = default;
};

Property Property_Of(Display* display, Window window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False,
                       AnyPropertyType, &type, &format, &count, &after, &data);
    Property property;
    if (type != 0) {
        char* type_name = XGetAtomName(display, type);
        property.type = type_name;
        XFree(type_name);
        property.bytes.assign(reinterpret_cast<char*>(data), count);
    }
    XFree(data);
    return property;
}

// WM_NAME or WM_ICON_NAME as a window manager decodes it, in UTF-8.
std::string Decoded(Display* display, Window window, const char* name) {
    XTextProperty text{};
    if (!XGetTextProperty(display, window, &text, XInternAtom(display, name, False))) {
        return "(unset)";
    }
    char** list = nullptr;
    int count = 0;
    std::string decoded = "(undecodable)";
    if (Xutf8TextPropertyToTextList(display, &text, &list, &count) == Success && count == 1) {
        decoded = list[0];
    }
    XFreeStringList(list);
    XFree(text.value);
    return decoded;
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

// Old window managers read WM_NAME and WM_ICON_NAME: STRING (Latin-1) where
// that holds the title, which keeps an ASCII title as it always was, and
// COMPOUND_TEXT otherwise. New ones read the UTF-8 names.
TEST(WindowNames, Utf8TitlesReadRightInBothKindsOfName) {
    struct Case {
        std::string title;
        const char* wm_name_type;
        const char* wm_name; // the bytes stored, where they are Latin-1
        std::string shown;   // what both kinds of name read as
    };
    const Case cases[] = {
        {"scene.MQ4", "STRING", "scene.MQ4", "scene.MQ4"},
        {"caf\xC3\xA9.MQ4", "STRING", "caf\xE9.MQ4", "caf\xC3\xA9.MQ4"},
        {"\xE6\x97\xA5\xE6\x9C\xAC.MQ4", "COMPOUND_TEXT", nullptr, "\xE6\x97\xA5\xE6\x9C\xAC.MQ4"},
        // Not UTF-8: the stray byte is replaced.
        {"caf\xE9.MQ4", "COMPOUND_TEXT", nullptr, "caf\xEF\xBF\xBD.MQ4"},
    };
    Display_Handle display = Open_Display();
    ASSERT_TRUE(display);
    Display* d = display.get();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        const Fixed_Window window = Create_Fixed_Window(d, {200, 100, 50, c.title.c_str()});
        XSync(d, False);
        for (const char* property : {"WM_NAME", "WM_ICON_NAME"}) {
            const Property stored = Property_Of(d, window.window, property);
            EXPECT_EQ(stored.type, c.wm_name_type) << property;
            if (c.wm_name) {
                EXPECT_EQ(stored.bytes, c.wm_name) << property;
            }
        }
        EXPECT_EQ(Decoded(d, window.window, "WM_NAME"), c.shown);
        EXPECT_EQ(Decoded(d, window.window, "WM_ICON_NAME"), c.shown);
        const Property utf8{"UTF8_STRING", c.shown};
        EXPECT_EQ(Property_Of(d, window.window, "_NET_WM_NAME"), utf8);
        EXPECT_EQ(Property_Of(d, window.window, "_NET_WM_ICON_NAME"), utf8);
    }
}

TEST(WindowNames, EditorOfAPictureWithAUtf8Name) {
    App_Session app;
    const std::string name = "caf\xC3\xA9.MQ4";
    Write_Bytes(app.dir.file(name), std::vector<std::uint8_t>(6657, 0x80));
    app.Queue_Answer(app.dir.file(name));
    app.Start();
    Click(app.Start_Window(), 300, 330);
    const Window editor = Find_Window(name);
    ASSERT_NE(editor, 0u) << Stderr_Of(app.run);
    EXPECT_EQ(Property_Of(Test_Display(), editor, "_NET_WM_ICON_NAME").bytes, name);
    EXPECT_EQ(Decoded(Test_Display(), editor, "WM_NAME"), name);
    Press_Key(editor, "Escape");
    Click(app.Start_Window(), 300, 410);
    EXPECT_EQ(app.Finish(), 0);
}
