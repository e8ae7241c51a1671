#include "bench/Window_Bench.h"

#include "bench/Straight_Painting.h"
#include "ui/Editor_Drawing.h"
#include "ui/Editor_Input.h"
#include "ui/Windows.h"
#include "ui/X_Session.h"

#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr unsigned eyedropper_cursor = 24;
constexpr unsigned pencil_cursor = 34;

struct Bench_Windows {
    Display* display = nullptr;
    Fixed_Window root{};
    Fixed_Window chooser{};
    Fixed_Window editor{};
    GC root_gc = nullptr; // with the start window's font
    GC gc = nullptr;
    Cursor cursors[2] = {0, 0};
    Choice_List choices{};
    MQ4_Document busy;
    MQ4_Document edited;
    Editor_State state;
};

// Every cell differs from its right and lower neighbours: no runs to merge.
MQ4_Document Busy_Picture() {
    MQ4_Document picture;
    for (int i = 0; i < palette_size; ++i) {
        picture.palette[static_cast<std::size_t>(i)] =
            Split_Color(0x101010 * i + 0x080400 * (i % 3));
    }
    for (int y = 0; y < picture_height; ++y) {
        for (int x = 0; x < picture_width; ++x) {
            picture.pixels[static_cast<std::size_t>(y * picture_width + x)] =
                static_cast<std::uint8_t>((x + 3 * y) % 16);
        }
    }
    return picture;
}

void Wait_For_Expose(Display* display, Window window) {
    XEvent event;
    XWindowEvent(display, window, ExposureMask, &event);
}

void Show(Display* display, Window window) {
    XRaiseWindow(display, window);
    XSync(display, False);
}

// Both ways of painting into white pixmaps, read back and compared.
bool Same_Pixels(Display* display, GC gc, int width, int height,
                 const std::function<void(Drawable)>& ours,
                 const std::function<void(Drawable)>& straight) {
    std::vector<unsigned long> pixels[2];
    const std::function<void(Drawable)>* painters[2] = {&ours, &straight};
    for (int k = 0; k < 2; ++k) {
        const Pixmap pixmap =
            XCreatePixmap(display, DefaultRootWindow(display), static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 24);
        XSetForeground(display, gc, 0xFFFFFF);
        XFillRectangle(display, pixmap, gc, 0, 0, static_cast<unsigned>(width),
                       static_cast<unsigned>(height));
        (*painters[k])(pixmap);
        XImage* image = XGetImage(display, pixmap, 0, 0, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                pixels[k].push_back(XGetPixel(image, x, y) & 0xFFFFFF);
            }
        }
        XDestroyImage(image);
        XFreePixmap(display, pixmap);
    }
    return pixels[0] == pixels[1];
}

void Register_Timing(const std::string& name, Display* display, std::function<void()> setup,
                     std::function<void()> paint) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [display, setup, paint](benchmark::State& state) {
                                     setup();
                                     XSync(display, False);
                                     for (auto _ : state) {
                                         paint();
                                         XSync(display, False);
                                     }
                                 })
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime()
        ->MinTime(0.3);
}

// Measures and registers one case: our painting against the straightforward
// one, on a window raised before each measurement, after `setup`.
void Add_Case(
    Bench_Report& report, Bench_Windows& w, Window window, const std::string& section,
    const std::string& what, const std::function<void()>& ours,
    const std::function<void()>& straight, const std::string& note,
    const std::function<void()>& setup = [] {}) {
    Show(w.display, window);
    setup();
    Traffic_Row row;
    row.section = section;
    row.what = what;
    row.ours = Measure_Traffic(w.display, ours);
    row.straight = Measure_Traffic(w.display, straight);
    row.ours_benchmark = section + "/" + what;
    row.straight_benchmark = row.ours_benchmark + "/straight";
    row.note = note;
    report.traffic.push_back(row);
    Display* display = w.display;
    Register_Timing(row.ours_benchmark, display, setup, [display, window, ours] {
        Show(display, window);
        ours();
    });
    Register_Timing(row.straight_benchmark, display, setup, [display, window, straight] {
        Show(display, window);
        straight();
    });
}

void Open_Windows(Display* display, Bench_Windows& w) {
    w.display = display;
    w.root = Create_Fixed_Window(display, {640, 480, 350, "Zembrix Image Converter"});
    w.chooser = Create_Fixed_Window(display, {1024, 850, 500, "Image Selection"});
    w.editor = Create_Fixed_Window(display, {1000, 672, 400, "bench.MQ4"});
    for (const Window window : {w.root.window, w.chooser.window, w.editor.window}) {
        Wait_For_Expose(display, window);
    }
    w.gc = XCreateGC(display, w.editor.window, 0, nullptr);
    w.root_gc = XCreateGC(display, w.root.window, 0, nullptr);
    if (XFontStruct* font = XLoadQueryFont(display, "10x20")) {
        XSetFont(display, w.root_gc, font->fid);
    }
    w.cursors[0] = XCreateFontCursor(display, eyedropper_cursor);
    w.cursors[1] = XCreateFontCursor(display, pencil_cursor);
    XSync(display, False);
}

void Add_Full_Repaints(Bench_Report& report, Bench_Windows& w, const Candidates& photo) {
    Display* d = w.display;
    const auto same = [&](int width, int height, GC gc, const std::function<void(Drawable)>& ours,
                          const std::function<void(Drawable)>& straight) {
        return Same_Pixels(d, gc, width, height, ours, straight) ? "same pixels" : "PIXELS DIFFER";
    };
    Add_Case(
        report, w, w.root.window, "repaint", "start window",
        [&w, d] { Draw_Root_Window(w.root_gc, d, w.root.window); },
        [&w, d] { Straight_Root_Window(w.root_gc, d, w.root.window); },
        same(
            640, 480, w.root_gc, [&](Drawable p) { Draw_Root_Window(w.root_gc, d, p); },
            [&](Drawable p) { Straight_Root_Window(w.root_gc, d, p); }));
    Add_Case(
        report, w, w.chooser.window, "repaint", "chooser (photo)",
        [&w, d] { Draw_Choices(w.choices, w.gc, d, w.chooser.window); },
        [&w, d] { Straight_Choices(w.choices, w.gc, d, w.chooser.window); },
        same(
            1024, 850, w.gc, [&](Drawable p) { Draw_Choices(w.choices, w.gc, d, p); },
            [&](Drawable p) { Straight_Choices(w.choices, w.gc, d, p); }));
    const Editor_State state{3, 2, tool_pencil, tool_eyedropper};
    struct Editor_Case {
        const char* what;
        const MQ4_Document* picture;
    };
    const Editor_Case cases[] = {
        {"editor, busy picture", &w.busy},
        {"editor, photo: Floyd-Steinberg", &photo[Index(Method::floyd_steinberg)]},
        {"editor, photo: diffusion", &photo[Index(Method::diffusion)]},
        {"editor, photo: octree", &photo[Index(Method::octree)]},
        {"editor, photo: closest colour", &photo[Index(Method::closest)]},
    };
    for (const Editor_Case& c : cases) {
        const MQ4_Document* picture = c.picture;
        Add_Case(
            report, w, w.editor.window, "repaint", c.what,
            [&w, d, picture, state] {
                Draw_Editor_Window(picture, &state, d, w.editor.window, w.gc);
            },
            [&w, d, picture, state] {
                Straight_Editor_Window(*picture, state, d, w.editor.window, w.gc);
            },
            same(
                1000, 672, w.gc,
                [&](Drawable p) { Draw_Editor_Window(picture, &state, d, p, w.gc); },
                [&](Drawable p) { Straight_Editor_Window(*picture, state, d, p, w.gc); }));
    }
}

// What the editor's loop does with a pointer event, our way: one pointer
// query, the input rules, the cursor on a change of tool, then only what
// changed.
void Editor_Event(Bench_Windows& w, bool press) {
    const Pointer_Position at = Query_Pointer(w.display, w.editor.window);
    const Editor_Response response = press ? Press_At(&w.edited, &w.state, at.x, at.y)
                                           : Drag_At(&w.edited, &w.state, at.x, at.y);
    if (response.cursor && w.state.current_tool != w.state.previous_tool) {
        XDefineCursor(w.display, w.editor.window, w.cursors[w.state.current_tool == tool_pencil]);
    }
    if (response.redraw) {
        Draw_Editor_Changes(response, &w.edited, &w.state, w.display, w.editor.window, w.gc);
    }
}

// The straightforward way: a pointer query for each step of the event (two
// for a press), a new cursor on a change of tool, the whole window repainted.
void Straight_Editor_Event(Bench_Windows& w, bool press) {
    Pointer_Position at = Query_Pointer(w.display, w.editor.window);
    if (press) {
        at = Query_Pointer(w.display, w.editor.window);
    }
    const Editor_Response response = press ? Press_At(&w.edited, &w.state, at.x, at.y)
                                           : Drag_At(&w.edited, &w.state, at.x, at.y);
    if (response.cursor) {
        const Cursor cursor = XCreateFontCursor(
            w.display, w.state.current_tool == tool_pencil ? pencil_cursor : eyedropper_cursor);
        XDefineCursor(w.display, w.editor.window, cursor);
        XFreeCursor(w.display, cursor);
    }
    if (response.redraw) {
        Straight_Editor_Window(w.edited, w.state, w.display, w.editor.window, w.gc);
    }
}

struct Editor_Action {
    const char* what;
    int x;
    int y;
    bool press;
};

// Sets the state each action starts from, so that every repetition changes
// something: the cell holds another colour, the colour or tool differs.
void Prepare(Bench_Windows& w, const Editor_Action& action, const MQ4_Document& photo) {
    w.state.current_color = 5;
    w.state.current_tool = action.x < 900 ? tool_pencil : tool_eyedropper;
    if (action.x < 900) {
        const int cell = action.x / 7 + (action.y / 7) * picture_width;
        w.edited.pixels[static_cast<std::size_t>(cell)] =
            static_cast<std::uint8_t>(photo.pixels[static_cast<std::size_t>(cell)] == 5 ? 6 : 5);
        w.state.current_color = w.edited.pixels[static_cast<std::size_t>(cell)] == 5 ? 6 : 5;
    }
}

void Add_Editor_Actions(Bench_Report& report, Bench_Windows& w, const MQ4_Document& photo) {
    const Editor_Action actions[] = {
        {"pencil press on a cell", 7 * 40 + 3, 7 * 30 + 3, true},
        {"pencil drag step", 7 * 41 + 3, 7 * 30 + 3, false},
        {"swatch press", 950, 20 + 25 * 9, true},
        {"tool press", 950, 550, true},
    };
    w.edited = photo;
    w.state = Editor_State{};
    Show(w.display, w.editor.window);
    Draw_Editor_Window(&w.edited, &w.state, w.display, w.editor.window, w.gc);
    for (const Editor_Action& action : actions) {
        Bench_Windows* windows = &w;
        const auto point_at = [windows, action] {
            XWarpPointer(windows->display, 0, windows->editor.window, 0, 0, 0, 0, action.x,
                         action.y);
            XSync(windows->display, False);
        };
        const Editor_Action a = action;
        const MQ4_Document* original = &photo;
        const auto ours = [windows, a, original] {
            Prepare(*windows, a, *original);
            Editor_Event(*windows, a.press);
        };
        const auto straight = [windows, a, original] {
            Prepare(*windows, a, *original);
            Straight_Editor_Event(*windows, a.press);
        };
        Add_Case(report, w, w.editor.window, "editor", action.what, ours, straight, "photo: octree",
                 point_at);
    }
}

} // namespace

void Register_Window_Benchmarks(Display* display, const Candidates& photo, Bench_Report& report) {
    static Bench_Windows windows;
    static Candidates pictures;
    pictures = photo;
    windows.busy = Busy_Picture();
    windows.choices = {&pictures[0], &pictures[1], &pictures[2], &pictures[3]};
    Open_Windows(display, windows);
    Add_Full_Repaints(report, windows, pictures);
    Add_Editor_Actions(report, windows, pictures[Index(Method::octree)]);
}
