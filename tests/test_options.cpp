// The command line of pixmill-convert: defaults, both value forms, and the
// refusals a user can run into.
#include <gtest/gtest.h>

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

TEST(Options, DefaultsConvertTheSceneBilinearlyToPng) {
    const Options o = parse({});
    EXPECT_EQ("", o.input);
    EXPECT_EQ("pixmill-default.png", o.output);
    EXPECT_EQ(2, o.method);
    EXPECT_EQ(1, o.layout);
    EXPECT_FALSE(o.flip);
    EXPECT_FALSE(o.help);
}

TEST(Options, ValuesAsNextArgumentOrAfterEquals) {
    const Options a = parse({"--method", "7", "--layout", "4", "--flip", "-o", "x.ppm", "raw.pgm"});
    const Options b = parse({"raw.pgm", "--method=7", "--layout=4", "--output=x.ppm", "--flip"});
    for (const Options* o : {&a, &b}) {
        EXPECT_EQ(7, o->method);
        EXPECT_EQ(4, o->layout);
        EXPECT_TRUE(o->flip);
        EXPECT_EQ("x.ppm", o->output);
        EXPECT_EQ("raw.pgm", o->input);
    }
    // Method codes go to the library untouched, whatever their value.
    EXPECT_EQ(-1, parse({"--method", "-1"}).method);
    EXPECT_EQ(2147483647, parse({"--method=2147483647"}).method);
    EXPECT_EQ("-odd.pgm", parse({"--", "-odd.pgm"}).input);
    EXPECT_TRUE(parse({"-h"}).help);
    EXPECT_TRUE(parse({"--help"}).help);
}

TEST(Options, CalibrationSteps) {
    const Options none = parse({});
    EXPECT_EQ(0.0, none.gamma);
    EXPECT_FALSE(none.whiteBalance);
    EXPECT_TRUE(none.darkFrames.empty());
    EXPECT_EQ("", none.flatFrame);
    const Options o = parse({"--gamma=0.45", "--white-balance", "--dark-frame", "d1.pgm", "--dark-frame=d2.pgm",
                             "--flat-frame", "f.pgm", "--defect-threshold", "25"});
    EXPECT_EQ(0.45, o.gamma);
    EXPECT_TRUE(o.whiteBalance);
    EXPECT_EQ((std::vector<std::string>{"d1.pgm", "d2.pgm"}), o.darkFrames);
    EXPECT_EQ("f.pgm", o.flatFrame);
    EXPECT_EQ(25, o.defectThreshold);
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
        {{"--gamma", "-1"}, "--gamma needs a positive number, not '-1'"},
        {{"--gamma=nan"}, "positive number"},
        {{"--gamma", "2.2x"}, "positive number"},
        {{"--dark-frame="}, "--dark-frame needs a file name"},
        {{"--defect-threshold", "0"}, "--defect-threshold must be 1 to 255"},
        {{"a.pgm", "b.pgm"}, "more than one input file"},
        {{""}, "input file name is empty"},
    };
    for (const Case& c : cases) {
        const std::string message = refusal(c.arguments);
        std::string line;
        for (const auto& a : c.arguments) line += " '" + a + "'";
        EXPECT_NE(std::string::npos, message.find(c.expected)) << "arguments" << line << " gave '" << message << "'";
    }
}

}  // namespace
