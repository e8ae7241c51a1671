#pragma once
// Driving windows on the test's X display like a user: find a window by its
// title, click, drag, press keys, ask it to close, and read its pixels back.

// GoogleTest before Xlib, whose None macro would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <cstdint>
#include <string>
#include <vector>

// Where a visual keeps the channels of a pixel value.
struct Channel_Masks {
    std::uint32_t red = 0xFF0000;
    std::uint32_t green = 0x00FF00;
    std::uint32_t blue = 0x0000FF;
};

// A 0x00RRGGBB colour as a visual with these masks shows it: each channel
// reduced to the high bits that fit its mask.
std::uint32_t Reduced(std::uint32_t color, const Channel_Masks& masks);

// A picture read back from the screen: pixel values of its visual, which are
// 0x00RRGGBB on a 24-bit one.
struct Screen_Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    Channel_Masks masks;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // The pixel value that a drawing in `color` leaves.
    std::uint32_t shown(std::uint32_t color) const { return Reduced(color, masks); }
};

// The test's own connection to $DISPLAY (fails the test when there is none);
// a new one when $DISPLAY has changed.
Display* Test_Display();
// Closes that connection, before its server goes away.
void Close_Test_Display();

// A visible window whose title is exactly `title`, or 0 after the timeout.
Window Find_Window(const std::string& title, int timeout_ms = 10000);
// Waits until no visible window has that title.
bool Wait_Window_Gone(const std::string& title, int timeout_ms = 10000);

// Window position of its top-left inside corner on the screen, and its size.
XWindowAttributes Window_Attributes(Window window);

void Click(Window window, int x, int y, int button = 1);
// Presses button 1 at the first point, moves through the others, releases.
void Drag(Window window, const std::vector<XPoint>& path);
void Move_Pointer(Window window, int x, int y);
// Presses or releases a button wherever the pointer is.
void Button_Down(int button = 1);
void Button_Up(int button = 1);
void Press_Key(Window window, const std::string& key);
// What the window manager's close button sends.
void Send_Close_Request(Window window);

// A window's pixels, with its visual's masks.
Screen_Image Read_Window(Window window);
// A 24-bit pixmap's or window's pixels.
Screen_Image Read_Drawable(Drawable drawable, int width, int height);

// Polls the window until the predicate holds for its pixels.
template <typename Predicate>
bool Wait_For_Image(Window window, Predicate predicate, int timeout_ms = 10000);

void Sleep_Ms(int ms);

template <typename Predicate>
bool Wait_For_Image(Window window, Predicate predicate, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 25) {
        if (predicate(Read_Window(window))) {
            return true;
        }
        Sleep_Ms(25);
    }
    return false;
}
