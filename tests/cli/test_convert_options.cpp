#include <gtest/gtest.h>

#include "cli/Convert_Options.h"
#include "cli/Thumbnail.h"

namespace {

Convert_Settings Parse(std::vector<std::string> args) {
    return Parse_Convert_Args(args).settings;
}

void Expect_Usage_Error(std::vector<std::string> args, const std::string& error) {
    const Convert_Command parsed = Parse_Convert_Args(args);
    EXPECT_EQ(parsed.settings.action, Convert_Action::usage_error);
    EXPECT_EQ(parsed.error, error);
}

} // namespace

TEST(ConvertOptions, DefaultsToFloydSteinbergAtScaleOne) {
    const Convert_Settings args = Parse({"in.png", "out.MQ4"});
    EXPECT_EQ(args.action, Convert_Action::run);
    EXPECT_EQ(args.method, Method::floyd_steinberg);
    EXPECT_EQ(args.scale, 1);
    EXPECT_EQ(args.input, "in.png");
    EXPECT_EQ(args.output, "out.MQ4");
}

TEST(ConvertOptions, MethodsNameTheImportSlots) {
    EXPECT_EQ(Parse({"--method", "floyd-steinberg", "a", "b.mq4"}).method, Method::floyd_steinberg);
    EXPECT_EQ(Parse({"--method", "diffusion", "a", "b.mq4"}).method, Method::diffusion);
    EXPECT_EQ(Parse({"a", "--method=octree", "b.mq4"}).method, Method::octree);
    EXPECT_EQ(Parse({"a", "b.mq4", "--method", "closest"}).method, Method::closest);
    Expect_Usage_Error({"--method", "Closest", "a", "b.mq4"}, "unknown method 'Closest'");
    Expect_Usage_Error({"a", "b.mq4", "--method"}, "--method needs a value");
}

TEST(ConvertOptions, ScaleIsAWholeNumberFrom1To16) {
    EXPECT_EQ(Parse({"--scale", "16", "a", "b.png"}).scale, 16);
    EXPECT_EQ(Parse({"--scale=1", "a", "b.png"}).scale, 1);
    for (const std::string bad : {"0", "17", "-1", "2x", "", " 3", "1e1"}) {
        Expect_Usage_Error({"--scale", bad, "a", "b.png"},
                           "scale must be a whole number from 1 to 16, not '" + bad + "'");
    }
}

TEST(ConvertOptions, OutputMustBeMq4OrPngInAnyCase) {
    EXPECT_EQ(Parse({"a.png", "b.Mq4"}).action, Convert_Action::run);
    EXPECT_EQ(Parse({"a.png", "b.PNG"}).action, Convert_Action::run);
    Expect_Usage_Error({"a.png", "b.jpg"}, "OUTPUT must end in .MQ4 or .png, or be -");
    Expect_Usage_Error({"a.png", ".png"}, "OUTPUT must end in .MQ4 or .png, or be -");
    Expect_Usage_Error({"a.png", "mq4"}, "OUTPUT must end in .MQ4 or .png, or be -");
}

TEST(ConvertOptions, OperandsOptionsAndHelp) {
    Expect_Usage_Error({}, "expected INPUT and OUTPUT");
    Expect_Usage_Error({"a.png"}, "expected INPUT and OUTPUT");
    Expect_Usage_Error({"a.png", "b.png", "c.png"}, "expected INPUT and OUTPUT");
    Expect_Usage_Error({"--dither=", "a.png", "b.png"}, "unknown dither '' (none, floyd-steinberg, "
                                                        "atkinson, sierra-lite, jarvis, bayer2, "
                                                        "bayer4, bayer8, blue-noise)");
    Expect_Usage_Error({"--sierra", "a.png", "b.png"}, "unknown option '--sierra'");
    EXPECT_EQ(Parse({"a.png", "--help", "nonsense"}).action, Convert_Action::help);
    EXPECT_EQ(Parse({"--version"}).action, Convert_Action::version);
    // After "--" everything is a file name; "-" alone stands for standard
    // input or output.
    const Convert_Settings dashed = Parse({"--", "--odd.png", "-"});
    EXPECT_EQ(dashed.action, Convert_Action::run);
    EXPECT_TRUE(Writes_Standard_Output(dashed));
    const Convert_Settings named = Parse({"--", "--odd.png", "-x.png"});
    EXPECT_EQ(named.action, Convert_Action::run);
    EXPECT_EQ(named.input, "--odd.png");
    EXPECT_EQ(named.output, "-x.png");
}

TEST(ConvertOptions, RefinedMethodsFollowTheImportSlots) {
    for (const Method_Row& row : method_table) {
        EXPECT_EQ(Parse({"--method", row.name, "a", "b.mq4"}).method, row.method) << row.name;
    }
    EXPECT_EQ(Parse({"--method=refined-dither", "a", "b.png"}).method, Method::refined_dither);
    Expect_Usage_Error({"--method", "refined-", "a", "b.mq4"}, "unknown method 'refined-'");
}

TEST(ConvertOptions, CompareTakesOneInputAndNoOutput) {
    const Convert_Settings args = Parse({"--compare", "photo.png"});
    EXPECT_EQ(args.action, Convert_Action::compare);
    EXPECT_EQ(args.input, "photo.png");
    EXPECT_EQ(Parse({"photo.png", "--compare"}).action, Convert_Action::compare);
    Expect_Usage_Error({"--compare"}, "--compare takes one INPUT");
    Expect_Usage_Error({"--compare", "a.png", "b.MQ4"}, "--compare takes one INPUT");
    EXPECT_EQ(Parse({"--compare", "--help"}).action, Convert_Action::help);
    Expect_Usage_Error({"--compare", "-o", "out", "a.png"}, "--compare takes one INPUT");
    Expect_Usage_Error({"--compare", "--format", "png", "a.png"}, "--compare takes one INPUT");
}

TEST(ConvertOptions, OutputFolderChoosesTheBatchForm) {
    const Convert_Settings args =
        Parse({"-o", "out", "--method=octree", "a.png", "b.ppm", "c.MQ4"});
    EXPECT_EQ(args.action, Convert_Action::run);
    EXPECT_TRUE(Is_Batch(args));
    EXPECT_EQ(args.output_dir, "out");
    EXPECT_EQ(args.inputs, (std::vector<std::string>{"a.png", "b.ppm", "c.MQ4"}));
    EXPECT_EQ(args.format, Output_Format::mq4);
    EXPECT_EQ(args.method, Method::octree);
    // A single input is a batch too, whatever its name looks like.
    const Convert_Settings one = Parse({"a.png", "--output-dir=pics", "--format", "png"});
    EXPECT_TRUE(Is_Batch(one));
    EXPECT_EQ(one.inputs, std::vector<std::string>{"a.png"});
    EXPECT_EQ(one.format, Output_Format::png);
    EXPECT_EQ(Parse({"--format=PNG", "-o", "d", "x"}).format, Output_Format::png);
    EXPECT_FALSE(Is_Batch(Parse({"a.png", "b.MQ4"})));
}

TEST(ConvertOptions, BatchUsageErrors) {
    Expect_Usage_Error({"-o", "out"}, "expected at least one INPUT");
    Expect_Usage_Error({"a.png", "-o"}, "-o needs a value");
    Expect_Usage_Error({"-o", "", "a.png"}, "OUTDIR must not be empty");
    Expect_Usage_Error({"--format", "gif", "-o", "out", "a.png"},
                       "unknown format 'gif' (mq4 or png)");
    Expect_Usage_Error({"--format", "png", "a.png", "b.png"},
                       "--format goes with -o OUTDIR or OUTPUT -");
    Expect_Usage_Error({"-o", "out", "a.png", "-"}, "standard input (-) cannot be an INPUT of -o");
}

TEST(ConvertOptions, FitPipesAndPalettes) {
    const Convert_Settings fit = Parse({"--fit", "crop", "-", "-", "--format", "png"});
    EXPECT_EQ(fit.action, Convert_Action::run);
    EXPECT_EQ(fit.fit, Fit_Mode::crop);
    EXPECT_EQ(fit.format, Output_Format::png);
    EXPECT_TRUE(Writes_Standard_Output(fit));
    EXPECT_EQ(Parse({"--fit=pad", "a", "b.MQ4"}).fit, Fit_Mode::pad);
    EXPECT_EQ(Parse({"--fit", "stretch", "a", "b.MQ4"}).fit, Fit_Mode::stretch);
    EXPECT_EQ(Parse({"a", "b.MQ4"}).fit, Fit_Mode::none);
    EXPECT_EQ(Parse({"--fit", "crop", "--compare", "a.jpg"}).fit, Fit_Mode::crop);

    const Convert_Settings given =
        Parse({"--palette", "p.gpl", "--write-palette", "w.GPL", "a", "-"});
    EXPECT_EQ(given.palette_file, "p.gpl");
    EXPECT_EQ(given.write_palette, "w.GPL");
    const Convert_Settings shared =
        Parse({"--shared-palette", "--method", "refined-dither", "--write-palette", "s.gpl", "-o",
               "out", "a.jpg", "b.jpg"});
    EXPECT_TRUE(shared.shared_palette);
    EXPECT_EQ(shared.method, Method::refined_dither);
    EXPECT_EQ(shared.write_palette, "s.gpl");

    const std::pair<std::vector<std::string>, std::string> errors[] = {
        {{"--fit", "fill", "a", "b.MQ4"}, "unknown fit 'fill' (crop, pad or stretch)"},
        {{"--fit"}, "--fit needs a value"},
        {{"--palette", "", "a", "b.MQ4"}, "--palette needs a file"},
        {{"--write-palette", "w.txt", "a", "b.MQ4"},
         "--write-palette needs a file name ending in .gpl, .act, .pal or .hex"},
        {{"--shared-palette", "a", "b.MQ4"}, "--shared-palette goes with -o OUTDIR"},
        {{"--palette", "p.gpl", "--shared-palette", "-o", "d", "a"},
         "--palette and --shared-palette do not go together"},
        {{"--palette", "p.gpl", "--method", "octree", "a", "b.MQ4"},
         "--method octree makes its own palette; a given or shared one needs floyd-steinberg, "
         "closest, refined, refined-dither or perceptual"},
        {{"--shared-palette", "--method", "diffusion", "-o", "d", "a"},
         "--method diffusion makes its own palette; a given or shared one needs floyd-steinberg, "
         "closest, refined, refined-dither or perceptual"},
        {{"--write-palette", "w.gpl", "-o", "d", "a", "b"},
         "--write-palette with -o needs --palette or --shared-palette"},
        {{"--compare", "--palette", "p.gpl", "a.png"},
         "--compare compares the methods' own palettes; it takes no palette"},
    };
    for (const auto& [args, error] : errors) {
        Expect_Usage_Error(args, error);
    }
}

TEST(ConvertOptions, JobsGoWithTheBatch) {
    EXPECT_EQ(Parse({"-o", "out", "a.png"}).jobs, 0); // one per processor
    EXPECT_EQ(Parse({"-j", "4", "-o", "out", "a.png"}).jobs, 4);
    EXPECT_EQ(Parse({"-j1", "-o", "out", "a.png"}).jobs, 1);
    EXPECT_EQ(Parse({"--jobs=16", "-o", "out", "a.png"}).jobs, 16);
    EXPECT_EQ(Parse({"-o", "out", "--jobs", "1024", "a.png"}).jobs, 1024);
    for (const std::string bad : {"0", "1025", "-2", "two", ""}) {
        Expect_Usage_Error({"-j", bad, "-o", "out", "a.png"},
                           "jobs must be a whole number from 1 to 1024, not '" + bad + "'");
    }
    Expect_Usage_Error({"-o", "out", "a.png", "-j"}, "-j needs a value");
    Expect_Usage_Error({"-j", "2", "a.png", "b.MQ4"}, "-j goes with -o OUTDIR");
    Expect_Usage_Error({"-j", "2", "--compare", "a.png"}, "--compare takes one INPUT");
}

TEST(ConvertOptions, ThumbnailTakesASizeAndTwoFilesOfAnyName) {
    const Convert_Settings args = Parse({"--thumbnail", "256", "/home/a/pic.dat", "/tmp/th-1"});
    EXPECT_EQ(args.action, Convert_Action::thumbnail);
    EXPECT_EQ(args.thumbnail_size, 256);
    EXPECT_EQ(args.input, "/home/a/pic.dat");
    EXPECT_EQ(args.output, "/tmp/th-1");
    EXPECT_EQ(Parse({"--thumbnail=1", "a", "b"}).thumbnail_size, 1);
    for (const std::string bad : {"0", "-128", "12px", "", "99999999999"}) {
        Expect_Usage_Error({"--thumbnail", bad, "a", "b"},
                           "thumbnail SIZE must be a whole number of pixels, not '" + bad + "'");
    }
    const std::vector<std::string> wrong_forms[] = {
        {"--thumbnail", "128", "a"},
        {"--thumbnail", "128", "a", "b", "c"},
        {"--thumbnail", "128", "-o", "out", "a", "b"},
        {"--thumbnail", "128", "--compare", "a", "b"},
    };
    for (const std::vector<std::string>& wrong : wrong_forms) {
        Expect_Usage_Error(wrong, "--thumbnail takes SIZE, INPUT and OUTPUT");
    }
}

TEST(ConvertOptions, ThumbnailScaleIsTheLargestWholeNumberThatFits) {
    const std::pair<int, int> size_scale[] = {
        {1, 1},   {96, 1},  {127, 1},  {128, 1},   {255, 1},   {256, 2},    {383, 2},
        {384, 3}, {512, 4}, {1024, 8}, {2047, 15}, {2048, 16}, {100000, 16}};
    for (const auto& [size, scale] : size_scale) {
        EXPECT_EQ(Thumbnail_Scale(size), scale) << size;
    }
}

TEST(ConvertOptions, DitherKindsGoWithTheRefinedMethods) {
    const Convert_Settings bayer =
        Parse({"--method", "refined", "--dither", "bayer4", "--dither-strength=40", "a", "b.png"});
    EXPECT_EQ(bayer.dither, Dither_Kind::bayer4);
    EXPECT_EQ(Dither_Of(bayer).strength, 40);
    EXPECT_EQ(Dither_Of(bayer).kind, Dither_Kind::bayer4);
    // refined-dither is refined --dither floyd-steinberg; refined alone is none.
    const Convert_Settings fs = Parse({"--method", "refined-dither", "--serpentine", "a", "b.png"});
    EXPECT_EQ(Dither_Of(fs).kind, Dither_Kind::floyd_steinberg);
    EXPECT_TRUE(Dither_Of(fs).serpentine);
    EXPECT_EQ(Dither_Of(Parse({"--method", "refined", "a", "b.png"})).kind, Dither_Kind::none);
    const Convert_Settings given =
        Parse({"--palette", "p.act", "--method", "refined", "--dither", "blue-noise", "--fill",
               "--write-palette", "w.hex", "a", "b.png"});
    EXPECT_TRUE(given.fill);
    EXPECT_EQ(given.write_palette, "w.hex");

    const std::pair<std::vector<std::string>, std::string> errors[] = {
        {{"--dither", "bayer4", "a", "b.png"},
         "--method floyd-steinberg maps pixels its own way; --dither, --dither-strength and "
         "--serpentine go with --method refined or refined-dither"},
        {{"--method", "refined-dither", "--dither", "atkinson", "a", "b.png"},
         "--method refined-dither dithers by floyd-steinberg; for another kind use --method "
         "refined --dither atkinson"},
        {{"--method", "refined", "--dither-strength", "101", "a", "b.png"},
         "dither strength must be a whole number from 0 to 100, not '101'"},
        {{"--compare", "--method", "refined", "--dither", "bayer2", "a.png"},
         "--compare shows every method and dither kind; it takes no --dither, "
         "--dither-strength, --serpentine, --keep-colour or --fill"},
        {{"--fill", "--method", "refined", "a", "b.png"}, "--fill goes with --palette FILE"},
    };
    for (const auto& [args, error] : errors) {
        Expect_Usage_Error(args, error);
    }
}

TEST(ConvertOptions, KeptColoursAreCutToTheLevelsAndGoWithFittedPalettes) {
    const Convert_Settings kept =
        Parse({"--method", "refined", "--keep-colour", "000000", "--keep-color=#FfFfFf",
               "--keep-colour", "0d0a15", "a", "b.png"});
    EXPECT_EQ(kept.kept_colours, (std::vector<DTPixel>{{0, 0, 0}, {248, 248, 248}, {8, 8, 16}}));
    EXPECT_EQ(Parse({"--shared-palette", "--keep-colour", "102030", "-o", "d", "a"}).kept_colours,
              (std::vector<DTPixel>{{16, 32, 48}}));
    for (const std::string bad : {"12345", "1234567", "GG0000", "#12345", ""}) {
        Expect_Usage_Error({"--method", "refined", "--keep-colour", bad, "a", "b.png"},
                           "--keep-colour takes a colour RRGGBB in hexadecimal, not '" + bad + "'");
    }
    Expect_Usage_Error({"--keep-colour", "000000", "a", "b.png"},
                       "--keep-colour needs --method refined, refined-dither or perceptual, or "
                       "--shared-palette");
    EXPECT_EQ(Parse({"--method", "perceptual", "--keep-colour", "000000", "a", "b.png"}).action,
              Convert_Action::run);
    Expect_Usage_Error(
        {"--method", "refined", "--palette", "p.gpl", "--keep-colour", "000000", "a", "b.png"},
        "--keep-colour goes with a palette fitted here, not with --palette (use "
        "--fill to fit the entries a short palette file leaves empty)");
}

TEST(ConvertOptions, SheetGoesWithOrWithoutTheComparison) {
    const Convert_Settings sheet = Parse({"--sheet", "all.PNG", "a.jpg"});
    EXPECT_EQ(sheet.action, Convert_Action::compare);
    EXPECT_FALSE(sheet.compare_table);
    EXPECT_EQ(sheet.sheet, "all.PNG");
    const Convert_Settings both = Parse({"--compare", "--sheet", "all.png", "a.jpg"});
    EXPECT_TRUE(both.compare_table);
    Expect_Usage_Error({"--sheet", "all.gif", "a.jpg"}, "--sheet needs a file name ending in .png");
    Expect_Usage_Error({"--sheet", "all.png", "a.jpg", "b.MQ4"}, "--sheet takes one INPUT");
}
