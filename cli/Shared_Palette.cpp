#include "cli/Shared_Palette.h"

#include "cli/Convert_Tool.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Standard error sent nowhere for as long as it lives.
struct Quiet_Stderr {
    int saved = -1;

    Quiet_Stderr() {
        std::fflush(stderr);
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        saved = nowhere < 0 ? -1 : dup(STDERR_FILENO);
        if (saved >= 0 && dup2(nowhere, STDERR_FILENO) < 0) {
            close(saved);
            saved = -1;
        }
        if (nowhere >= 0) {
            close(nowhere);
        }
    }
    Quiet_Stderr(const Quiet_Stderr&) = delete;
    Quiet_Stderr& operator=(const Quiet_Stderr&) = delete;
    ~Quiet_Stderr() {
        std::fflush(stderr);
        if (saved >= 0) {
            dup2(saved, STDERR_FILENO);
            close(saved);
        }
    }
};

} // namespace

Palette_Colors Fit_Batch_Palette(const Batch_Plan& plan, const Convert_Args& args) {
    std::vector<DTPixel> pixels;
    {
        const Quiet_Stderr quiet;
        for (const Batch_Job& job : plan.jobs) {
            if (const std::optional<DTImage> working = Read_Input_Image(job.input, args)) {
                pixels.insert(pixels.end(), working->pixels.begin(), working->pixels.end());
            }
        }
    }
    return Fit_Shared_Palette(pixels);
}
