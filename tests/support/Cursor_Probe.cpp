#include "support/Cursor_Probe.h"

#include <X11/extensions/Xfixes.h>

Cursor_Picture Current_Cursor(Display* display) {
    Cursor_Picture picture;
    // The server answers each client by the version it announced.
    int major = 0;
    int minor = 0;
    if (!XFixesQueryVersion(display, &major, &minor)) {
        return picture;
    }
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (image == nullptr) {
        return picture;
    }
    picture.width = image->width;
    picture.height = image->height;
    picture.x_hot = image->xhot;
    picture.y_hot = image->yhot;
    picture.argb.assign(image->pixels, image->pixels + image->width * image->height);
    XFree(image);
    return picture;
}

Cursor_Picture Font_Cursor_Picture(Display* display, unsigned shape, int x, int y) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.cursor = XCreateFontCursor(display, shape);
    const Window probe =
        XCreateWindow(display, DefaultRootWindow(display), x, y, 40, 40, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWCursor, &attributes);
    XMapRaised(display, probe);
    XSync(display, False);
    XWarpPointer(display, None, probe, 0, 0, 0, 0, 20, 20);
    XSync(display, False);
    Cursor_Picture picture = Current_Cursor(display);
    XDestroyWindow(display, probe);
    XFreeCursor(display, attributes.cursor);
    XSync(display, False);
    return picture;
}
