#pragma once
// The one place through which the image loaders and the file readers and
// writers say why something failed (libpng's warnings pass here too). Lines
// go to standard error, unless a Report_Capture is alive on the calling
// thread: then they are added to its text, so that each job of a batch keeps
// its own reasons, whatever other threads report meanwhile.

#include <string>

// Reports text made from a printf format; the text ends its lines itself.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Reports "WHAT: " followed by the system's text for the current errno and a
// line end, as perror prints them.
void Report_Errno(const char* what);

// While it lives, what its thread reports is kept in `text` instead of being
// printed. Captures nest: the innermost one takes the lines.
struct Report_Capture {
    std::string text;

    Report_Capture();
    ~Report_Capture();
    Report_Capture(const Report_Capture&) = delete;
    Report_Capture& operator=(const Report_Capture&) = delete;

  private:
    Report_Capture* outer;
};
