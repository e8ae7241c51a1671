// Writes the seed corpora of the fuzz targets into a folder:
//   write_fuzz_seeds OUT  ->  OUT/image_loader, OUT/mq4_reader, OUT/conversion,
//   OUT/photo_input, OUT/webp_input, heif_input, gif_input, tiff_input, color_profile
// The seeds are the kinds of image the tests load: PNGs of every colour type,
// depth and interlace, PPMs with comments and wide samples, MQ4 pictures.

#include "convert/Conversion.h"
#include "io/MQ4_File.h"
#include "support/Temp_Dir.h"
#include "support/Test_Formats.h"
#include "support/Test_Images.h"
#include "support/Test_JPEG.h"

#include <cstdio>
#include <filesystem>
#include <png.h>

namespace {

struct Png_Kind {
    int color_type;
    int bit_depth;
};

constexpr Png_Kind png_kinds[] = {
    {PNG_COLOR_TYPE_GRAY, 1},       {PNG_COLOR_TYPE_GRAY, 2},    {PNG_COLOR_TYPE_GRAY, 4},
    {PNG_COLOR_TYPE_GRAY, 8},       {PNG_COLOR_TYPE_GRAY, 16},   {PNG_COLOR_TYPE_GRAY_ALPHA, 8},
    {PNG_COLOR_TYPE_RGB, 8},        {PNG_COLOR_TYPE_RGB, 16},    {PNG_COLOR_TYPE_RGB_ALPHA, 8},
    {PNG_COLOR_TYPE_RGB_ALPHA, 16}, {PNG_COLOR_TYPE_PALETTE, 2}, {PNG_COLOR_TYPE_PALETTE, 8},
};

Test_PNG Small_PNG(Png_Kind kind, bool interlaced, int width, int height) {
    Test_PNG png;
    png.width = width;
    png.height = height;
    png.color_type = kind.color_type;
    png.bit_depth = kind.bit_depth;
    png.interlaced = interlaced;
    const unsigned top = (1u << kind.bit_depth) - 1;
    const int count = width * height;
    if (kind.color_type == PNG_COLOR_TYPE_PALETTE) {
        for (unsigned i = 0; i <= top; ++i) {
            png.palette.push_back({static_cast<std::uint8_t>(i * 29 + 3),
                                   static_cast<std::uint8_t>(255 - i * 7),
                                   static_cast<std::uint8_t>(i * 61 % 256)});
        }
        for (int n = 0; n < count; ++n) {
            png.samples.push_back(static_cast<unsigned>(n * 5 + 1) % (top + 1));
        }
        return png;
    }
    for (int n = 0; n < count * PNG_Channels(kind.color_type); ++n) {
        png.samples.push_back((static_cast<unsigned>(n) * 37u + 11u) % (top + 1));
    }
    return png;
}

std::vector<std::uint8_t> Raster_Of(const DTImage& image) {
    std::vector<std::uint8_t> raster;
    for (const DTPixel& p : image.pixels) {
        raster.insert(raster.end(), {p.r, p.g, p.b});
    }
    return raster;
}

void Write_Image_Loader_Seeds(const std::string& dir) {
    int n = 0;
    for (const Png_Kind& kind : png_kinds) {
        for (bool interlaced : {false, true}) {
            Write_Test_PNG(dir + "/png" + std::to_string(n++), Small_PNG(kind, interlaced, 9, 7));
        }
    }
    Test_PNG palette_trns = Small_PNG({PNG_COLOR_TYPE_PALETTE, 2}, false, 5, 3);
    palette_trns.palette_alpha = {0, 128};
    Write_Test_PNG(dir + "/png_palette_trns", palette_trns);
    Test_PNG rgb_trns = Small_PNG({PNG_COLOR_TYPE_RGB, 8}, false, 5, 3);
    rgb_trns.transparent = std::array<std::uint16_t, 3>{11, 48, 85};
    Write_Test_PNG(dir + "/png_rgb_trns", rgb_trns);

    const DTImage small = Pattern_Image(4, 3, 7);
    Write_Bytes(dir + "/ppm", PPM_Bytes(4, 3, small.pixels));
    Write_Bytes(dir + "/ppm_comments",
                PPM_Bytes("P6 # made by hand\n4 # wide\n3\n200\n", Raster_Of(small)));
    std::vector<std::uint8_t> wide;
    for (std::uint8_t byte : Raster_Of(small)) {
        wide.insert(wide.end(), {byte, static_cast<std::uint8_t>(byte ^ 0x5A)});
    }
    Write_Bytes(dir + "/ppm_wide", PPM_Bytes("P6\n4 3\n65535\n", wide));
}

std::vector<std::uint8_t> MQ4_File_Bytes(const MQ4_Document& picture) {
    const MQ4_Bytes bytes = Encode_MQ4(picture);
    return {bytes.begin(), bytes.end()};
}

void Write_MQ4_Seeds(const std::string& dir) {
    const Candidates candidates = Build_Candidates(Pattern_Image(128, 96, 3));
    Write_Bytes(dir + "/diffusion", MQ4_File_Bytes(candidates[Index(Method::diffusion)]));
    Write_Bytes(dir + "/closest", MQ4_File_Bytes(candidates[Index(Method::closest)]));
    std::vector<std::uint8_t> odd = MQ4_File_Bytes(candidates[Index(Method::octree)]);
    odd[65] &= 0x7F;     // a palette word without its flag bit
    odd.push_back(0xAB); // and a byte past the end
    Write_Bytes(dir + "/flagless_and_long", odd);
    Write_Bytes(dir + "/short", std::vector<std::uint8_t>(100, 0x12));
}

void Write_Conversion_Seeds(const std::string& dir) {
    const DTImage photo = Pattern_Image(128, 96, 11);
    Write_RGB_PNG(dir + "/photo_png", 128, 96, photo.pixels);
    Write_Bytes(dir + "/photo_ppm", PPM_Bytes(128, 96, photo.pixels));
    // Few colours, in blocks: small files whose bytes the fuzzer can move.
    std::vector<DTPixel> blocks;
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 128; ++x) {
            const int c = (x / 16) + (y / 32) * 8;
            blocks.push_back({static_cast<std::uint8_t>(c * 11), static_cast<std::uint8_t>(c * 53),
                              static_cast<std::uint8_t>(255 - c * 7)});
        }
    }
    Write_RGB_PNG(dir + "/blocks_png", 128, 96, blocks);
    Write_Bytes(dir + "/grey_ppm", PPM_Bytes(128, 96, std::vector<DTPixel>(12288, {90, 90, 90})));
    Write_Bytes(dir + "/small_ppm", PPM_Bytes(4, 3, Pattern_Image(4, 3, 5).pixels));
}

// Small JPEGs of every kind the converter reads, PNGs plain and interlaced,
// and a PPM.
void Write_Photo_Input_Seeds(const std::string& dir) {
    int n = 0;
    for (Jpeg_Kind kind :
         {Jpeg_Kind::colour, Jpeg_Kind::grey, Jpeg_Kind::cmyk, Jpeg_Kind::adobe_cmyk}) {
        for (bool progressive : {false, true}) {
            Test_JPEG jpeg;
            jpeg.width = 24;
            jpeg.height = 17;
            jpeg.pixels = Pattern_Image(24, 17, static_cast<unsigned>(n)).pixels;
            jpeg.kind = kind;
            jpeg.progressive = progressive;
            jpeg.quality = 50;
            jpeg.orientation = n % 9;
            Write_Test_JPEG(dir + "/jpeg" + std::to_string(n++), jpeg);
        }
    }
    Write_RGB_PNG(dir + "/png", 9, 7, Pattern_Image(9, 7, 1).pixels);
    Write_Bytes(dir + "/ppm", PPM_Bytes(4, 3, Pattern_Image(4, 3, 2).pixels));
    // Interlaced PNGs, and images large enough to be box-reduced when
    // fitted: few colours in blocks keep their files small.
    Write_Test_PNG(dir + "/png_interlaced", Small_PNG({PNG_COLOR_TYPE_RGB, 8}, true, 9, 7));
    Write_Test_PNG(dir + "/png_interlaced_grey", Small_PNG({PNG_COLOR_TYPE_GRAY, 2}, true, 13, 5));
    for (bool interlaced : {false, true}) {
        Test_PNG blocks;
        blocks.width = 700;
        blocks.height = 500;
        blocks.color_type = PNG_COLOR_TYPE_PALETTE;
        blocks.bit_depth = 2;
        blocks.interlaced = interlaced;
        blocks.palette = {{200, 30, 30}, {30, 200, 30}, {30, 30, 200}, {240, 240, 240}};
        for (int y = 0; y < blocks.height; ++y) {
            for (int x = 0; x < blocks.width; ++x) {
                blocks.samples.push_back(static_cast<unsigned>((x / 100 + y / 100) % 4));
            }
        }
        Write_Test_PNG(dir + (interlaced ? "/blocks_interlaced" : "/blocks"), blocks);
    }
}

// Small files of each further format, in their variants, and images large
// enough to be shrunk when fitted, in few colours so that their files stay small.
void Write_Format_Seeds(const std::string& out) {
    const DTImage small = Pattern_Image(24, 17, 4);
    std::vector<DTPixel> blocks;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            blocks.push_back({static_cast<std::uint8_t>(x / 100 * 80),
                              static_cast<std::uint8_t>(y / 100 * 120), 90});
        }
    }
    const std::string webp = out + "/webp_input/";
    for (bool lossless : {false, true}) {
        for (bool alpha : {false, true}) {
            Write_Bytes(webp + (lossless ? "lossless" : "lossy") + (alpha ? "_alpha" : ""),
                        Encode_Test_WebP(24, 17, small.pixels, lossless, alpha));
        }
    }
    Write_Bytes(webp + "blocks", Encode_Test_WebP(400, 300, blocks, false, false));
    const std::string heif = out + "/heif_input/";
    Write_Bytes(heif + "heic", Encode_Test_HEIF(24, 17, small.pixels, false, 30));
    Write_Bytes(heif + "avif", Encode_Test_HEIF(24, 17, small.pixels, true, 30));
    const std::string gif = out + "/gif_input/";
    for (bool interlaced : {false, true}) {
        Test_GIF frame = GIF_Of(16, 12, Pattern_Image(16, 12, 3).pixels);
        frame.local_table = frame.global_table;
        frame.global_table = {{0, 0, 0}, {9, 99, 199}};
        frame.screen_width = 24;
        frame.screen_height = 17;
        frame.background = 1;
        frame.left = 3;
        frame.top = 2;
        frame.interlaced = interlaced;
        Write_Test_GIF(gif + (interlaced ? "interlaced" : "plain"), frame);
    }
    const std::string tiff = out + "/tiff_input/";
    for (Tiff_Kind kind :
         {Tiff_Kind::rgb8, Tiff_Kind::rgb16, Tiff_Kind::grey8, Tiff_Kind::palette}) {
        for (int tile_side : {0, 16}) {
            Test_TIFF file = TIFF_Of(24, 17, Pattern_Image(24, 17, 1).pixels, kind);
            file.rows_per_strip = 5;
            file.tile_side = tile_side;
            if (kind == Tiff_Kind::palette) {
                for (DTPixel& p : file.pixels) {
                    p = {static_cast<std::uint8_t>(p.r & 0xC0),
                         static_cast<std::uint8_t>(p.g & 0xC0), 0};
                }
            }
            Write_Test_TIFF(tiff + std::to_string(static_cast<int>(kind)) + "_" +
                                std::to_string(tile_side),
                            file);
        }
    }
    Test_TIFF profiled = TIFF_Of(24, 17, small.pixels);
    profiled.icc = Test_ICC(Test_Space::adobe_rgb);
    Write_Test_TIFF(tiff + "profile", profiled);
    const std::string icc = out + "/color_profile/";
    Write_Bytes(icc + "srgb", Test_ICC(Test_Space::srgb));
    Write_Bytes(icc + "adobe", Test_ICC(Test_Space::adobe_rgb));
    Write_Bytes(icc + "wide", Test_ICC(Test_Space::wide_gamut));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: write_fuzz_seeds OUT\n", stderr);
        return 2;
    }
    const std::string out = argv[1];
    for (const char* target :
         {"image_loader", "mq4_reader", "conversion", "photo_input", "webp_input", "heif_input",
          "gif_input", "tiff_input", "color_profile"}) {
        std::filesystem::create_directories(out + "/" + target);
    }
    Write_Image_Loader_Seeds(out + "/image_loader");
    Write_MQ4_Seeds(out + "/mq4_reader");
    Write_Conversion_Seeds(out + "/conversion");
    Write_Photo_Input_Seeds(out + "/photo_input");
    Write_Format_Seeds(out);
    return 0;
}
