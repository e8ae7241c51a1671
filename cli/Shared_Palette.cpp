#include "cli/Shared_Palette.h"

#include "app/Report.h"
#include "cli/Convert_Tool.h"

Palette_Colors Fit_Batch_Palette(const Batch_Plan& plan, const Convert_Args& args) {
    std::vector<DTPixel> pixels;
    {
        // Failures are told once, when the batch converts the input.
        const Report_Capture unheard;
        for (const Batch_Job& job : plan.jobs) {
            if (const std::optional<DTImage> working = Read_Input_Image(job.input, args)) {
                pixels.insert(pixels.end(), working->pixels.begin(), working->pixels.end());
            }
        }
    }
    return Fit_Shared_Palette(pixels);
}
