// The command line of pixmill-convert: defaults, both value forms, and the
// refusals a user can run into.
#include <gtest/gtest.h>

#include <tuple>

#include "options.h"

using pmtool::Options;
using pmtool::UsageError;

namespace {

Options parse(std::vector<std::string> arguments) { return pmtool::parseOptions(arguments); }

std::string refusal(std::vector<std::string> arguments) {
    try {
        pmtool::parseOptions(arguments);
        return "<accepted>";
    } catch (const UsageError& error) {
        return error.what();
    }
}

// Every field of the options, in declaration order.
using Fields = std::tuple<std::string, std::string, std::int32_t, std::int32_t, bool, bool, double, bool,
                          std::vector<std::string>, std::string, std::int32_t>;
Fields fields(const Options& o) {
    return {o.input, o.output,       o.method,     o.layout,    o.flip,           o.help,
            o.gamma, o.whiteBalance, o.darkFrames, o.flatFrame, o.defectThreshold};
}

TEST(Options, DefaultsAndBothValueForms) {
    // The scene, bilinearly, to PNG, without calibration.
    EXPECT_EQ(Fields("", "pixmill-default.png", 2, 1, false, false, 0.0, false, {}, "", 10), fields(parse({})));
    const Fields given("raw.pgm", "x.ppm", 7, 4, true, false, 0.45, true, {"d1.pgm", "d2.pgm"}, "f.pgm", 25);
    EXPECT_EQ(given, fields(parse({"--method", "7", "--layout", "4", "--flip", "-o", "x.ppm", "raw.pgm", "--gamma",
                                   "0.45", "--white-balance", "--dark-frame", "d1.pgm", "--dark-frame", "d2.pgm",
                                   "--flat-frame", "f.pgm", "--defect-threshold", "25"})));
    EXPECT_EQ(given, fields(parse({"raw.pgm", "--method=7", "--layout=4", "--output=x.ppm", "--flip", "--gamma=0.45",
                                   "--white-balance", "--dark-frame=d1.pgm", "--dark-frame=d2.pgm",
                                   "--flat-frame=f.pgm", "--defect-threshold=25"})));
    // Method codes go to the library untouched, whatever their value.
    EXPECT_EQ(-1, parse({"--method", "-1"}).method);
    EXPECT_EQ(2147483647, parse({"--method=2147483647"}).method);
    EXPECT_EQ("-odd.pgm", parse({"--", "-odd.pgm"}).input);
    EXPECT_TRUE(parse({"-h"}).help);
    EXPECT_TRUE(parse({"--help"}).help);
}

TEST(Options, RefusalsNameTheProblem) {
    struct Case {
        std::vector<std::string> arguments;
        const char* expected;
    };
    const Case cases[] = {
        {{"--colour"}, "unknown option '--colour'"},
        {{"--method"}, "--method needs a value (N)"},
        {{"-o"}, "-o needs a value (FILE)"},
        {{"--method", "two"}, "--method needs a whole number, not 'two'"},
        {{"--method", "2x"}, "whole number"},
        {{"--method="}, "whole number"},
        {{"--method", "99999999999999999999"}, "whole number"},
        {{"--method", "2147483648"}, "must be"},
        {{"--layout", "0"}, "--layout must be 1 to 4, not 0"},
        {{"--layout=5"}, "--layout must be 1 to 4, not 5"},
        {{"--flip=1"}, "--flip takes no value"},
        {{"--output="}, "--output needs a file name"},
        {{"--gamma", "-1"}, "--gamma must be 0.1 to 10, not -1"},
        {{"--gamma", "100"}, "--gamma must be 0.1 to 10, not 100"},
        {{"--gamma", "0.05"}, "--gamma must be 0.1 to 10"},
        {{"--gamma=nan"}, "--gamma needs a number"},
        {{"--gamma", "2.2x"}, "--gamma needs a number"},
        {{"--jobs", "0"}, "--jobs must be 1 to 256"},
        {{"--format", "gif"}, "--format takes png"},
        {{"--calibration", "c.cal", "--gamma", "2"}, "--calibration replaces"},
        {{"--calibration", "c.cal", "--save-calibration", "d.cal"}, "cannot go with --calibration"},
        {{"--dark-frame="}, "--dark-frame needs a file name"},
        {{"--defect-threshold", "0"}, "--defect-threshold must be 1 to 255"},
        {{"--packing", "10", "--width", "8", "--height", "8", "a.raw", "b.raw"}, "--packing takes one input"},
        {{""}, "input file name is empty"},
        {{"--depth", "12"}, "--depth must be 8 or 16, not 12"},
        {{"--packing=11", "a.raw"}, "--packing must be 10 or 12, not 11"},
        {{"--packing=16", "a.raw"}, "--packing must be 10 to 12"},
        {{"--packing", "10", "--width", "8", "a.raw"}, "--packing needs --width and --height"},
        {{"--packing", "10", "--width", "8", "--height", "8"}, "--packing needs an input file"},
        {{"--width", "8", "--height", "8", "a.pgm"}, "are for packed raw files"},
        {{"--height", "0"}, "--height must be 1 to"},
        {{"--grey=1"}, "--grey takes no value"},
    };
    for (const Case& c : cases) {
        const std::string message = refusal(c.arguments);
        std::string line;
        for (const auto& a : c.arguments) line += " '" + a + "'";
        EXPECT_NE(std::string::npos, message.find(c.expected)) << "arguments" << line << " gave '" << message << "'";
    }
}

// The adjustment options: off by default, both value forms, their ranges.
TEST(Options, Adjustments) {
    using Rotation = Options::Rotation;
    const Options none = parse({});
    EXPECT_FALSE(none.colorCorrect || none.brightness || none.contrast || none.sharpen != 0.0f ||
                 none.rotate != Rotation::None);
    for (const auto& arguments : {std::vector<std::string>{"--color-correct", "--brightness", "-150", "--contrast",
                                                           "100", "--sharpen", "5", "--rotate", "ccw"},
                                  std::vector<std::string>{"--color-correct", "--brightness=-150", "--contrast=100",
                                                           "--sharpen=5", "--rotate=ccw"}}) {
        const Options o = parse(arguments);
        EXPECT_TRUE(o.colorCorrect);
        EXPECT_EQ(-150, o.brightness.value_or(0));
        EXPECT_EQ(100, o.contrast.value_or(0));
        EXPECT_EQ(5.0f, o.sharpen);
        EXPECT_EQ(Rotation::CounterClockwise, o.rotate);
    }
    EXPECT_EQ(0, parse({"--brightness", "0"}).brightness.value_or(99));  // 0 is a curve too
    EXPECT_EQ(Rotation::Clockwise, parse({"--rotate", "cw"}).rotate);
    const std::pair<std::vector<std::string>, const char*> refusals[] = {
        {{"--brightness", "151"}, "--brightness must be -150 to 150"},
        {{"--contrast", "-51"}, "--contrast must be -50 to 100"},
        {{"--sharpen", "0"}, "--sharpen needs a positive number"},
        {{"--sharpen", "5.5"}, "--sharpen must be above 0 and at most 5"},
        {{"--rotate", "left"}, "--rotate takes cw or ccw, not 'left'"},
        {{"--color-correct=1"}, "--color-correct takes no value"},
    };
    for (const auto& [arguments, expected] : refusals)
        EXPECT_NE(std::string::npos, refusal(arguments).find(expected)) << arguments[0] << ": " << refusal(arguments);
    EXPECT_NE(std::string::npos, pmtool::usageText().find("colour correction,\nbrightness, contrast, sharpening, rotation"));
}

// The record conversion's options, which the tuple above leaves out.
TEST(Options, RecordConversionOptions) {
    const Options plain = parse({"raw.pgm"});
    EXPECT_FALSE(plain.methodGiven || plain.grey);
    EXPECT_EQ(0, plain.depth + plain.packing + plain.width + plain.height);
    const Options given = parse({"--packing=12", "--width", "640", "--height=480", "--grey", "--depth", "16",
                                 "--method", "7", "raw.bin"});
    EXPECT_TRUE(given.methodGiven && given.grey);
    EXPECT_EQ(12, given.packing);
    EXPECT_EQ(640, given.width);
    EXPECT_EQ(480, given.height);
    EXPECT_EQ(16, given.depth);
}

}  // namespace

TEST(Options, BatchesAndDiscovery) {
    const Options batch = parse({"a.pgm", "-", "shots/", "-j", "2", "--format", "tif", "-o", "out"});
    EXPECT_EQ((std::vector<std::string>{"a.pgm", "-", "shots/"}), batch.inputs);
    EXPECT_EQ("", batch.input);  // set only for a single input
    EXPECT_EQ(2, batch.jobs);
    EXPECT_EQ("tif", batch.format);
    const Options one = parse({"a.pgm", "--version", "--compact", "--gamma", "1"});
    EXPECT_EQ("a.pgm", one.input);
    EXPECT_TRUE(one.version && one.compact);
    EXPECT_EQ(0, one.jobs);  // one worker per core
}
