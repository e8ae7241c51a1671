#include <gtest/gtest.h>

#include "support/X_Driver.h"

#include "support/Program.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <bit>
#include <cstdlib>
#include <sstream>

namespace {

constexpr int pointer_settle_ms = 80;

std::string Regex_For(const std::string& title) {
    std::string pattern = "^";
    for (char c : title) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern + "$";
}

std::vector<Window> Visible_Windows(const std::string& title) {
    std::string output;
    Run_Command({"xdotool", "search", "--onlyvisible", "--name", Regex_For(title)}, &output);
    std::vector<Window> windows;
    std::istringstream lines(output);
    unsigned long id = 0;
    while (lines >> id) {
        windows.push_back(id);
    }
    return windows;
}

void Xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {"xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(Run_Command(command), 0) << "xdotool " << arguments.front();
}

} // namespace

std::uint32_t Reduced(std::uint32_t color, const Channel_Masks& masks) {
    std::uint32_t pixel = 0;
    const std::uint32_t channels[3][2] = {{color >> 16 & 0xFF, masks.red},
                                          {color >> 8 & 0xFF, masks.green},
                                          {color & 0xFF, masks.blue}};
    for (const auto& [value, mask] : channels) {
        // The tests' servers have at most 8 bits a channel.
        pixel |= value >> (8 - std::popcount(mask)) << std::countr_zero(mask);
    }
    return pixel;
}

namespace {

Display* test_display = nullptr;
std::string test_display_name;

} // namespace

void Close_Test_Display() {
    if (test_display) {
        XCloseDisplay(test_display);
        test_display = nullptr;
    }
}

Display* Test_Display() {
    Display*& display = test_display;
    const char* name = std::getenv("DISPLAY");
    if (display && test_display_name != (name ? name : "")) {
        Close_Test_Display();
    }
    if (!display) {
        display = XOpenDisplay(nullptr);
        test_display_name = name ? name : "";
    }
    if (!display) {
        ADD_FAILURE() << "no X display: run the tests under xvfb-run (make test)";
    }
    return display;
}

Window Find_Window(const std::string& title, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 25) {
        const std::vector<Window> windows = Visible_Windows(title);
        if (!windows.empty()) {
            return windows.back();
        }
        Sleep_Ms(25);
    }
    return 0;
}

bool Wait_Window_Gone(const std::string& title, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 25) {
        if (Visible_Windows(title).empty()) {
            return true;
        }
        Sleep_Ms(25);
    }
    return false;
}

XWindowAttributes Window_Attributes(Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(Test_Display(), window, &attributes);
    return attributes;
}

void Move_Pointer(Window window, int x, int y) {
    // Not xdotool's --sync, which waits for ever when the pointer is already there.
    // "--" lets a coordinate left of or above the window be negative.
    Xdotool({"mousemove", "--window", std::to_string(window), "--", std::to_string(x),
             std::to_string(y)});
    for (int waited = 0; waited < 2000; waited += 5) {
        Window root = 0;
        Window child = 0;
        int root_x = 0;
        int root_y = 0;
        int at_x = -1;
        int at_y = -1;
        unsigned mask = 0;
        XQueryPointer(Test_Display(), window, &root, &child, &root_x, &root_y, &at_x, &at_y, &mask);
        if (at_x == x && at_y == y) {
            return;
        }
        Sleep_Ms(5);
    }
    ADD_FAILURE() << "the pointer did not reach " << x << "," << y;
}

void Click(Window window, int x, int y, int button) {
    Move_Pointer(window, x, y);
    Xdotool({"click", std::to_string(button)});
    // The program reads the pointer when it handles the press: leave it there
    // long enough.
    Sleep_Ms(pointer_settle_ms);
}

void Drag(Window window, const std::vector<XPoint>& path) {
    Move_Pointer(window, path.front().x, path.front().y);
    Xdotool({"mousedown", "1"});
    Sleep_Ms(pointer_settle_ms);
    for (std::size_t i = 1; i < path.size(); ++i) {
        Move_Pointer(window, path[i].x, path[i].y);
        Sleep_Ms(pointer_settle_ms);
    }
    Xdotool({"mouseup", "1"});
}

void Button_Down(int button) {
    Xdotool({"mousedown", std::to_string(button)});
}

void Button_Up(int button) {
    Xdotool({"mouseup", std::to_string(button)});
}

void Press_Key(Window window, const std::string& key) {
    Xdotool({"windowfocus", "--sync", std::to_string(window)});
    Xdotool({"key", key});
}

void Send_Close_Request(Window window) {
    Display* display = Test_Display();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

Screen_Image Read_Drawable(Drawable drawable, int width, int height) {
    Screen_Image image;
    XImage* x_image = XGetImage(Test_Display(), drawable, 0, 0, static_cast<unsigned>(width),
                                static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!x_image) {
        ADD_FAILURE() << "XGetImage failed";
        return image;
    }
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels[static_cast<std::size_t>(y * width + x)] =
                static_cast<std::uint32_t>(XGetPixel(x_image, x, y) & 0xFFFFFF);
        }
    }
    XDestroyImage(x_image);
    return image;
}

Screen_Image Read_Window(Window window) {
    const XWindowAttributes attributes = Window_Attributes(window);
    Screen_Image image = Read_Drawable(window, attributes.width, attributes.height);
    if (attributes.visual) {
        image.masks = {static_cast<std::uint32_t>(attributes.visual->red_mask),
                       static_cast<std::uint32_t>(attributes.visual->green_mask),
                       static_cast<std::uint32_t>(attributes.visual->blue_mask)};
    }
    return image;
}
