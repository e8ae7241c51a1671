// Every output the programs write, for every method, on images of many kinds,
// reduced to digests recorded from a build known to be right. Any change of a
// byte of an MQ4 file, a PNG output, the comparison table or the pixels the
// loader takes shows up here, with the image and the method named.
//
// ZEMBRIX_PRINT_DIGESTS=1 prints the table as code instead of checking it.

#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "convert/Method_Comparison.h"
#include "convert/Refined_Conversion.h"
#include "io/MQ4_File.h"
#include "io/PNG_Writer.h"
#include "support/Temp_Dir.h"
#include "support/Test_Images.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <png.h>
#include <sstream>
#include <string>

namespace {

// FNV-1a, folded to 32 bits: short enough for a table, and no change of the
// bytes it guards goes unseen in practice.
struct Digest {
    std::uint64_t state = 0xcbf29ce484222325u;
    void Add(const std::uint8_t* bytes, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            state = (state ^ bytes[i]) * 0x100000001b3u;
        }
    }
    void Add(const std::string& text) {
        Add(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    }
    std::uint32_t Value() const { return static_cast<std::uint32_t>(state ^ (state >> 32)); }
};

// Outputs of one picture: its MQ4 file and its PNG at scales 1 and 3.
void Add_Picture(const MQ4_Document& picture, Digest* digest) {
    const MQ4_Bytes mq4 = Encode_MQ4(picture);
    digest->Add(mq4.data(), mq4.size());
    for (int scale : {1, 3}) {
        const auto png = Encode_PNG_Picture(picture, scale);
        ASSERT_TRUE(png);
        digest->Add(png->data(), png->size());
    }
}

void Add_Pixels(const DTImage& image, Digest* digest) {
    digest->Add(reinterpret_cast<const std::uint8_t*>(image.pixels.data()),
                image.pixels.size() * sizeof(DTPixel));
}

// Deterministic pictures of the kinds a user brings.
std::uint32_t Next(std::uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return *state >> 8;
}

DTImage Generated(int width, int height, const std::function<DTPixel(int, int)>& pixel_at) {
    DTImage image;
    image.width = width;
    image.height = height;
    image.type = DTImageTypePNG;
    image.pixelCount = static_cast<std::uint64_t>(width) * height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels.push_back(pixel_at(x, y));
        }
    }
    return image;
}

std::uint8_t Channel(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// Smooth light with a little sensor noise, as in a photograph.
DTImage Photo_Like(int width, int height, unsigned seed) {
    std::uint32_t state = seed;
    return Generated(width, height, [&](int x, int y) {
        const int noise = static_cast<int>(Next(&state) % 9) - 4;
        const int cx = x * 128 / width - 64;
        const int cy = y * 96 / height - 40;
        const int glow = 255 - (cx * cx + cy * cy) / 24;
        return DTPixel{Channel(glow * 3 / 4 + x * 64 / width + noise),
                       Channel(glow / 2 + y * 100 / height + noise),
                       Channel(200 - glow / 3 + (x + y) * 40 / (width + height) + noise)};
    });
}

DTImage Noise(int width, int height, unsigned seed) {
    std::uint32_t state = seed;
    return Generated(width, height, [&](int, int) {
        const std::uint32_t v = Next(&state);
        return DTPixel{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                       static_cast<std::uint8_t>(v >> 16)};
    });
}

// Flat areas in a handful of colours, as in a drawing.
DTImage Few_Colours(int count) {
    const DTPixel colours[] = {{200, 16, 40}, {0, 0, 0},     {255, 255, 255}, {16, 200, 90},
                               {12, 10, 9},   {90, 60, 220}, {250, 130, 0},   {60, 60, 60}};
    return Generated(128, 96, [&](int x, int y) { return colours[(x / 20 + y / 16 * 3) % count]; });
}

DTImage Grey_Ramp() {
    return Generated(128, 96, [](int x, int y) {
        const std::uint8_t v = Channel((x + y) * 255 / 222);
        return DTPixel{v, v, v};
    });
}

// Colours that differ only in their lowest bits, where rounding decides.
DTImage Low_Bits() {
    return Generated(128, 96, [](int x, int y) {
        return DTPixel{static_cast<std::uint8_t>(128 + (x & 7)),
                       static_cast<std::uint8_t>(64 + (y & 3)),
                       static_cast<std::uint8_t>(200 + ((x + y) & 1))};
    });
}

struct Image_Case {
    std::string name;
    DTImage image;
};

std::vector<Image_Case> Image_Cases() {
    std::vector<Image_Case> cases;
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 11u, 12u, 13u, 21u, 33u}) {
        cases.push_back({"pattern-" + std::to_string(seed), Pattern_Image(128, 96, seed)});
    }
    cases.push_back({"photo-1", Photo_Like(128, 96, 1)});
    cases.push_back({"photo-2", Photo_Like(128, 96, 2)});
    cases.push_back({"photo-wide", Photo_Like(300, 200, 3)});
    cases.push_back({"photo-tall", Photo_Like(64, 400, 4)});
    cases.push_back({"noise", Noise(128, 96, 5)});
    cases.push_back({"few-colours-3", Few_Colours(3)});
    cases.push_back({"few-colours-8", Few_Colours(8)});
    cases.push_back({"grey-ramp", Grey_Ramp()});
    cases.push_back({"one-colour", Generated(128, 96, [](int, int) {
                         return DTPixel{7, 99, 250};
                     })});
    cases.push_back({"low-bits", Low_Bits()});
    return cases;
}

// The image as the files a user hands the loader: PNGs of several kinds,
// interlaced or not, and PPMs.
struct File_Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
};

Test_PNG PNG_Of(const DTImage& image, bool interlaced, int bit_depth, bool alpha) {
    Test_PNG png;
    png.width = image.width;
    png.height = image.height;
    png.interlaced = interlaced;
    png.bit_depth = bit_depth;
    png.color_type = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    for (std::size_t n = 0; n < image.pixels.size(); ++n) {
        const DTPixel p = image.pixels[n];
        for (unsigned v : {p.r, p.g, p.b}) {
            // 16-bit samples carry a low byte the loader drops.
            png.samples.push_back(bit_depth == 16 ? v * 257u + (n % 251) : v);
        }
        if (alpha) {
            png.samples.push_back(bit_depth == 16 ? 65535u - n % 1000 : 255u - n % 200);
        }
    }
    return png;
}

Test_PNG Palette_PNG(int width, int height) {
    Test_PNG png;
    png.width = width;
    png.height = height;
    png.color_type = PNG_COLOR_TYPE_PALETTE;
    for (int i = 0; i < 256; ++i) {
        png.palette.push_back({static_cast<std::uint8_t>(i * 29 + 3),
                               static_cast<std::uint8_t>(255 - i * 7),
                               static_cast<std::uint8_t>(i * 61 % 256)});
    }
    std::uint32_t state = 9;
    for (int n = 0; n < width * height; ++n) {
        png.samples.push_back(n % 7 == 0 ? Next(&state) % 256 : (n / 40 + n % 13) % 256);
    }
    return png;
}

Test_PNG Grey_PNG(int width, int height, int bit_depth) {
    Test_PNG png;
    png.width = width;
    png.height = height;
    png.color_type = PNG_COLOR_TYPE_GRAY;
    png.bit_depth = bit_depth;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            png.samples.push_back(static_cast<unsigned>((x + 3 * y) % (1 << bit_depth)));
        }
    }
    return png;
}

std::vector<std::uint8_t> Wide_PPM(const DTImage& image, int maxval) {
    std::vector<std::uint8_t> raster;
    for (const DTPixel& p : image.pixels) {
        for (int v : {p.r, p.g, p.b}) {
            const int sample = v * maxval / 255;
            if (maxval > 255) {
                raster.push_back(static_cast<std::uint8_t>(sample >> 8));
            }
            raster.push_back(static_cast<std::uint8_t>(sample));
        }
    }
    return PPM_Bytes("P6\n# made for the digests\n" + std::to_string(image.width) + " " +
                         std::to_string(image.height) + "\n" + std::to_string(maxval) + "\n",
                     raster);
}

std::vector<File_Case> File_Cases() {
    const DTImage wide = Photo_Like(300, 200, 3);
    const DTImage large = Photo_Like(2048, 1536, 6);
    const DTImage narrow = Photo_Like(7, 2000, 8);
    return {
        {"png-wide", Encode_Test_PNG(PNG_Of(wide, false, 8, false))},
        {"png-wide-interlaced", Encode_Test_PNG(PNG_Of(wide, true, 8, false))},
        {"png-wide-rgba16", Encode_Test_PNG(PNG_Of(wide, false, 16, true))},
        {"png-wide-rgba16-interlaced", Encode_Test_PNG(PNG_Of(wide, true, 16, true))},
        {"png-picture-interlaced",
         Encode_Test_PNG(PNG_Of(Pattern_Image(128, 96, 5), true, 8, false))},
        {"png-narrow-interlaced", Encode_Test_PNG(PNG_Of(narrow, true, 8, false))},
        {"png-large", Encode_Test_PNG(PNG_Of(large, false, 8, false))},
        {"png-large-interlaced", Encode_Test_PNG(PNG_Of(large, true, 8, false))},
        {"png-palette", Encode_Test_PNG(Palette_PNG(301, 77))},
        {"png-grey-4", Encode_Test_PNG(Grey_PNG(200, 100, 4))},
        {"ppm-wide", PPM_Bytes(wide.width, wide.height, wide.pixels)},
        {"ppm-large", PPM_Bytes(large.width, large.height, large.pixels)},
        {"ppm-wide-maxval-1000", Wide_PPM(wide, 1000)},
        {"ppm-wide-maxval-100", Wide_PPM(wide, 100)},
    };
}

bool Printing() {
    const char* print = std::getenv("ZEMBRIX_PRINT_DIGESTS");
    return print && *print == '1';
}

using Row = std::pair<std::string, std::vector<std::uint32_t>>;

void Print_Rows(const char* table, const std::vector<Row>& rows) {
    std::printf("const std::map<std::string, std::vector<std::uint32_t>> %s = {\n", table);
    for (const auto& [name, values] : rows) {
        std::printf("    {\"%s\", {", name.c_str());
        for (std::size_t i = 0; i < values.size(); ++i) {
            std::printf("%s0x%08x", i ? ", " : "", values[i]);
        }
        std::printf("}},\n");
    }
    std::printf("};\n");
}

// Recorded from the conversions before the node pool was reused and images
// were read row by row; perceptual and the --compare table with its row
// recorded when that method came. Per image: the four candidates of one
// import (Build_Candidates), then the seven methods of zembrix-convert one by
// one (floyd-steinberg, diffusion, octree, closest, refined, refined-dither,
// perceptual), then the --compare table.
const std::map<std::string, std::vector<std::uint32_t>> image_digests = {
    {"pattern-1",
     {0x517fa8c9, 0x5085dfbe, 0xa3d7827d, 0x1197f703, 0x517fa8c9, 0x5085dfbe, 0xa3d7827d,
      0x1197f703, 0xb6e216ff, 0x5bed6f94, 0xc5d646cf, 0x5de28f71}},
    {"pattern-2",
     {0xf861d7fd, 0x0a792e74, 0x7a0ae501, 0xadb88894, 0xf861d7fd, 0x0a792e74, 0x7a0ae501,
      0xadb88894, 0xc9e3b868, 0xd0efb749, 0x21449a53, 0x2042674d}},
    {"pattern-3",
     {0x46148626, 0x9b2e93a4, 0x9ab25f4a, 0x603cd8bc, 0x46148626, 0x9b2e93a4, 0x9ab25f4a,
      0x603cd8bc, 0x2179f7ad, 0xef0a79e7, 0x33b423e5, 0x8c94322b}},
    {"pattern-4",
     {0x1e8be0a2, 0x981482fb, 0x6e411afd, 0x13f4a93d, 0x1e8be0a2, 0x981482fb, 0x6e411afd,
      0x13f4a93d, 0xe0bf70b3, 0xdd1d816f, 0x506ecf63, 0x357f3708}},
    {"pattern-5",
     {0xfb58d36c, 0x863d3aba, 0xa0f20900, 0xff0d7185, 0xfb58d36c, 0x863d3aba, 0xa0f20900,
      0xff0d7185, 0xd606eb71, 0x59d049be, 0xb39a556c, 0xc0463877}},
    {"pattern-7",
     {0xe0e308f8, 0xe3dc75c3, 0x7f3bd8e9, 0x3e6d3206, 0xe0e308f8, 0xe3dc75c3, 0x7f3bd8e9,
      0x3e6d3206, 0x0bf9b6b7, 0x8eb37120, 0xe71907ae, 0xefbef67f}},
    {"pattern-8",
     {0x53bc8fbb, 0x1e0dda53, 0xc7228591, 0xed5728ef, 0x53bc8fbb, 0x1e0dda53, 0xc7228591,
      0xed5728ef, 0xbcbe140f, 0xff7f4d19, 0xfe5baa85, 0xa0d3e5be}},
    {"pattern-9",
     {0xb8bd10cf, 0xb08d1011, 0x7c9c99bc, 0x23b3224b, 0xb8bd10cf, 0xb08d1011, 0x7c9c99bc,
      0x23b3224b, 0xc79a17e2, 0x5114341f, 0x0e507dfa, 0x548e4734}},
    {"pattern-11",
     {0x92a076aa, 0x49ca9c47, 0x67312ab0, 0x9847afb9, 0x92a076aa, 0x49ca9c47, 0x67312ab0,
      0x9847afb9, 0x1e6ad72e, 0x8fed9e2b, 0x528135a7, 0xd044fe82}},
    {"pattern-12",
     {0x09a1e165, 0xba9e63e7, 0xd44a2712, 0x55f08f69, 0x09a1e165, 0xba9e63e7, 0xd44a2712,
      0x55f08f69, 0xca4fca8c, 0xba7166af, 0x365de4b4, 0xf2965901}},
    {"pattern-13",
     {0xf7c4ee8f, 0x021b7b37, 0xd961778e, 0x9aca2904, 0xf7c4ee8f, 0x021b7b37, 0xd961778e,
      0x9aca2904, 0x0d276828, 0x2bef1111, 0xf6ef5353, 0xe5e9b7f6}},
    {"pattern-21",
     {0x6aa0fa2f, 0xec7d873c, 0xe538a711, 0xe5d91490, 0x6aa0fa2f, 0xec7d873c, 0xe538a711,
      0xe5d91490, 0x73dd17f0, 0xcb54e6c5, 0xc37c75ad, 0x30fc4cea}},
    {"pattern-33",
     {0x33372621, 0x80d6dcdb, 0x01d9db1e, 0x32345ca9, 0x33372621, 0x80d6dcdb, 0x01d9db1e,
      0x32345ca9, 0xe45202de, 0xacbe806d, 0xa6872a6e, 0x0cb676d0}},
    {"photo-1",
     {0xed01ab88, 0x1258d6af, 0xb1e38e2f, 0x15a63391, 0xed01ab88, 0x1258d6af, 0xb1e38e2f,
      0x15a63391, 0x760c9abb, 0x40f7177a, 0xbbb9b8d9, 0xa05e45fd}},
    {"photo-2",
     {0xbe2c9b04, 0xc32c2f37, 0x97b111e6, 0x8742c329, 0xbe2c9b04, 0xc32c2f37, 0x97b111e6,
      0x8742c329, 0xaf4f55ee, 0xf232aaaa, 0x19dda0c1, 0x88be120e}},
    {"photo-wide",
     {0x2fa87b8a, 0xa89ecb71, 0xf0694191, 0x57237d73, 0x2fa87b8a, 0xa89ecb71, 0xf0694191,
      0x57237d73, 0x2889f04e, 0xc725d2d5, 0x876bb687, 0x898de4c3}},
    {"photo-tall",
     {0x8d669a94, 0xabb372c4, 0x51ed749b, 0xc91c21ff, 0x8d669a94, 0xabb372c4, 0x51ed749b,
      0xc91c21ff, 0xbb589f24, 0xfd3b0179, 0x9085c45a, 0xbba41c29}},
    {"noise",
     {0x62051437, 0x099aae1e, 0x1db3d693, 0xdf6f98eb, 0x62051437, 0x099aae1e, 0x1db3d693,
      0xdf6f98eb, 0xe0dcb6c8, 0x9987bf11, 0xe0fe85d7, 0x3de6f790}},
    {"few-colours-3",
     {0xd18e956a, 0xd18e956a, 0xd18e956a, 0xd18e956a, 0xd18e956a, 0xd18e956a, 0xd18e956a,
      0xd18e956a, 0xd18e956a, 0xd18e956a, 0xd18e956a, 0x360d7c66}},
    {"few-colours-8",
     {0xbe3572d6, 0x9f2a6582, 0x9f2a6582, 0x9f2a6582, 0xbe3572d6, 0x9f2a6582, 0x9f2a6582,
      0x9f2a6582, 0xd50a7058, 0x9b24ffdb, 0x37b9193b, 0x92463509}},
    {"grey-ramp",
     {0x3c213613, 0xd40eefe1, 0xaef10398, 0xb8c3efd4, 0x3c213613, 0xd40eefe1, 0xaef10398,
      0xb8c3efd4, 0x2cf0ef20, 0x548a3bf3, 0x457eab30, 0x36ec4bf1}},
    {"one-colour",
     {0x56bd904d, 0x56bd904d, 0x56bd904d, 0x56bd904d, 0x56bd904d, 0x56bd904d, 0x56bd904d,
      0x56bd904d, 0x1b6dbcf4, 0x1b6dbcf4, 0x56bd904d, 0x3366267e}},
    {"low-bits",
     {0x13b5b701, 0xcd266017, 0x08c0ef27, 0x13b5b701, 0x13b5b701, 0xcd266017, 0x08c0ef27,
      0x13b5b701, 0x2d9a3881, 0x8f3cf91c, 0xc4e5690d, 0x9af158b2}},
};

// Per file: the loaded image's size and the pixels taken, then the four
// candidates of its import.
const std::map<std::string, std::vector<std::uint32_t>> file_digests = {
    {"png-wide", {0x6fa41b0c, 0x2fa87b8a, 0xa89ecb71, 0xf0694191, 0x57237d73}},
    {"png-wide-interlaced", {0x6fa41b0c, 0x2fa87b8a, 0xa89ecb71, 0xf0694191, 0x57237d73}},
    {"png-wide-rgba16", {0xeafaa978, 0xcdf48252, 0x8b37400d, 0xe25d996d, 0x8507d303}},
    {"png-wide-rgba16-interlaced", {0xeafaa978, 0xcdf48252, 0x8b37400d, 0xe25d996d, 0x8507d303}},
    {"png-picture-interlaced", {0x30f2dcf7, 0xfb58d36c, 0x863d3aba, 0xa0f20900, 0xff0d7185}},
    {"png-narrow-interlaced", {0x5b9cf913, 0x9744314a, 0xfe62e525, 0xc7f7f369, 0xe6920f91}},
    {"png-large", {0xd1cd5323, 0x94721b8d, 0x80d6d663, 0xb6df5f20, 0x01a6abfb}},
    {"png-large-interlaced", {0xd1cd5323, 0x94721b8d, 0x80d6d663, 0xb6df5f20, 0x01a6abfb}},
    {"png-palette", {0xa4193f84, 0xd0ec4389, 0xa3269de0, 0x7e8bb653, 0x027a81f8}},
    {"png-grey-4", {0xf4fd47cd, 0xe965fd07, 0xc5dc650e, 0xc5dc650e, 0xc5dc650e}},
    {"ppm-wide", {0x6fa41b0c, 0x2fa87b8a, 0xa89ecb71, 0xf0694191, 0x57237d73}},
    {"ppm-large", {0xd1cd5323, 0x94721b8d, 0x80d6d663, 0xb6df5f20, 0x01a6abfb}},
    {"ppm-wide-maxval-1000", {0x6fa41b0c, 0x2fa87b8a, 0xa89ecb71, 0xf0694191, 0x57237d73}},
    {"ppm-wide-maxval-100", {0x6957d88e, 0xb9591053, 0xc003f7d6, 0x42536dc7, 0xa9b449c2}},
};

void Check_Rows(const std::map<std::string, std::vector<std::uint32_t>>& expected,
                const std::vector<Row>& rows) {
    for (const auto& [name, values] : rows) {
        const auto found = expected.find(name);
        ASSERT_NE(found, expected.end()) << name;
        ASSERT_EQ(found->second.size(), values.size()) << name;
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(found->second[i], values[i]) << name << ", output " << i;
        }
    }
}

// The images in four groups, each its own test, so that a parallel test run
// spreads them (under the sanitizers they take minutes).
// The --compare table as it was before the dither kinds: the perceived
// column (the last, 11 characters) and the rows of the refined palette with
// each dither kind are new; every other row and figure must stay as it was.
std::string Table_Before_Dither_Kinds(const std::string& table) {
    std::istringstream lines(table);
    std::string kept;
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.starts_with("refined+")) {
            kept += line.substr(0, line.size() - 11) + "\n";
        }
    }
    return kept;
}

constexpr std::size_t image_groups = 4;

void Check_Image_Group(std::size_t group) {
    Octree_Workspace workspace;
    const std::vector<Image_Case> cases = Image_Cases();
    std::vector<Row> rows;
    for (std::size_t n = group; n < cases.size(); n += image_groups) {
        const Image_Case& c = cases[n];
        std::vector<std::uint32_t> values;
        for (const MQ4_Document& candidate : Build_Candidates(c.image, workspace)) {
            Digest digest;
            Add_Picture(candidate, &digest);
            values.push_back(digest.Value());
        }
        for (const Method_Row& row : method_table) {
            Digest digest;
            Add_Picture(Build_Method_Picture(c.image, row.method, workspace), &digest);
            values.push_back(digest.Value());
        }
        Digest table;
        table.Add(Table_Before_Dither_Kinds(Compare_Methods(c.image, workspace)));
        values.push_back(table.Value());
        rows.push_back({c.name, values});
    }
    if (Printing()) {
        Print_Rows("image_digests", rows);
        return;
    }
    Check_Rows(image_digests, rows);
}

} // namespace

TEST(OutputDigests, EveryImageHasItsRow) {
    std::vector<std::string> names;
    for (const Image_Case& c : Image_Cases()) {
        names.push_back(c.name);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> recorded;
    for (const auto& [name, values] : image_digests) {
        recorded.push_back(name);
    }
    EXPECT_EQ(names, recorded);
}

TEST(OutputDigests, EveryMethodOnImagesOfGroup0) {
    Check_Image_Group(0);
}

TEST(OutputDigests, EveryMethodOnImagesOfGroup1) {
    Check_Image_Group(1);
}

TEST(OutputDigests, EveryMethodOnImagesOfGroup2) {
    Check_Image_Group(2);
}

TEST(OutputDigests, EveryMethodOnImagesOfGroup3) {
    Check_Image_Group(3);
}

TEST(OutputDigests, EveryLoaderPathOnEveryFile) {
    Octree_Workspace workspace;
    Temp_Dir dir;
    std::vector<Row> rows;
    for (const File_Case& c : File_Cases()) {
        const std::string path = dir.file(c.name);
        Write_Bytes(path, c.bytes);
        const std::optional<DTImage> image = Load_Picture_Image(path);
        ASSERT_TRUE(image) << c.name;
        Digest loaded;
        loaded.Add(std::to_string(image->width) + "x" + std::to_string(image->height) + " " +
                   std::to_string(image->pixelCount));
        Add_Pixels(Working_Image(*image), &loaded);
        std::vector<std::uint32_t> values{loaded.Value()};
        const std::optional<Candidates> candidates = Load_Candidates(path, workspace);
        ASSERT_TRUE(candidates) << c.name;
        for (const MQ4_Document& candidate : *candidates) {
            Digest digest;
            Add_Picture(candidate, &digest);
            values.push_back(digest.Value());
        }
        rows.push_back({c.name, values});
    }
    if (Printing()) {
        Print_Rows("file_digests", rows);
        return;
    }
    Check_Rows(file_digests, rows);
}
