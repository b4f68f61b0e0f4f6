// pixmill-convert's files and batches: saved calibrations, TIFF frames, safe
// writes, and batches in which one bad file fails alone.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "batch.h"
#include "calibration_file.h"
#include "image_io.h"
#include "tiff_io.h"

using namespace pmtool;

namespace {

std::string scratchFolder(const std::string& name) {
    const std::string folder = ::testing::TempDir() + "pixmill_" + name + "_" + std::to_string(getpid());
    mkdir(folder.c_str(), 0777);
    return folder;
}

Calibration sampleCalibration() {
    Calibration c;
    c.width = 6;
    c.height = 4;
    c.layout = 3;
    c.gamma = 0.45;
    c.haveGains = true;
    c.gains = {1.25, 1.0, 0.1 + 0.2};  // an inexact double must come back bit for bit
    c.defects.assign(24, 0);
    c.defects[7] = 1;
    for (int i = 0; i < 24; ++i) c.pattern.push_back(i % 5 - 2);
    return c;
}

TEST(CalibrationFile, RoundTripsExactlyAndRefusesEveryDamage) {
    const Calibration c = sampleCalibration();
    const std::vector<std::uint8_t> bytes = encodeCalibration(c);
    const Calibration back = decodeCalibration(bytes);
    EXPECT_EQ(bytes, encodeCalibration(back));
    EXPECT_EQ(c.gains.blue, back.gains.blue);
    EXPECT_EQ(c.pattern, back.pattern);
    // Truncated at every length, and every byte changed, is refused.
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(decodeCalibration(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + long(n))),
                     CalibrationError)
            << "cut to " << n << " bytes";
    std::mt19937 random(14);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::vector<std::uint8_t> damaged = bytes;
        damaged[i] = std::uint8_t(damaged[i] ^ (1 + random() % 255));
        EXPECT_THROW(decodeCalibration(damaged), CalibrationError) << "byte " << i;
    }
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_THROW(decodeCalibration(longer), CalibrationError);
    // Only frames of the measured size and layout take it.
    EXPECT_NO_THROW(requireMatchingCalibration(c, 6, 4, 3));
    EXPECT_THROW(requireMatchingCalibration(c, 6, 6, 3), CalibrationError);
    EXPECT_THROW(requireMatchingCalibration(c, 6, 4, 4), CalibrationError);
}

TEST(TiffFiles, GreyFramesRoundTripAtBothDepths) {
    for (int depth : {8, 16}) {
        DeepImage image{6, 4, 1, depth, {}};
        for (int i = 0; i < 24; ++i) image.values.push_back(std::uint16_t(depth == 8 ? i * 10 : i * 2731));
        const std::vector<std::uint8_t> encoded = encodeTiff(image);
        ASSERT_TRUE(looksLikeTiff(encoded));
        const FrameFile frame = decodeFrameFile(encoded);
        EXPECT_EQ(depth == 16, frame.wide);
        if (depth == 16) EXPECT_EQ(image.values, frame.wideFrame.samples);
        else EXPECT_EQ(std::vector<std::uint8_t>(image.values.begin(), image.values.end()), frame.narrow.samples);
        EXPECT_THROW(decodeFrameFile(std::vector<std::uint8_t>(encoded.begin(), encoded.begin() + 40)), ImageError);
    }
    // Colour TIFFs are written but are no Bayer frames.
    const std::vector<std::uint8_t> colour = encodeTiff(DeepImage{2, 2, 3, 8, std::vector<std::uint16_t>(12, 9)});
    EXPECT_THROW(decodeFrameFile(colour), ImageError);
}

TEST(SafeWrites, ALinkKeepsPointingAtTheReplacedFileAndNoTemporaryStays) {
    const std::string folder = scratchFolder("safe");
    const std::string target = folder + "/target.ppm", link = folder + "/link.ppm";
    std::ofstream(target) << "old";
    ASSERT_EQ(0, symlink(target.c_str(), link.c_str()));
    writeFileSafely(link, {'n', 'e', 'w'});
    struct stat status;
    ASSERT_EQ(0, lstat(link.c_str(), &status));
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(readFileBytes(target, 10), (std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(batchInputs({folder}).size(), 0u);  // .ppm files are no frames; no temporary left either
    EXPECT_THROW(writeFileSafely(folder + "/missing/x.ppm", {1}), ImageError);
    EXPECT_TRUE(sameFile(link, target));
    EXPECT_FALSE(sameFile(folder + "/none", target));
}

TEST(Batches, OneBadJobFailsAloneAndNamesItsFile) {
    const std::string folder = scratchFolder("batch");
    for (const char* name : {"b.PGM", "a.png", "c.tif", "notes.txt", ".hidden.pgm"}) std::ofstream(folder + "/" + name);
    const std::vector<std::string> inputs = batchInputs({folder, "x/raw.pgm"});
    ASSERT_EQ((std::vector<std::string>{folder + "/a.png", folder + "/b.PGM", folder + "/c.tif", "x/raw.pgm"}),
              inputs);
    const std::vector<BatchJob> jobs = batchJobs(inputs, "out", "ppm");
    EXPECT_EQ("out/b.ppm", jobs[1].output);
    EXPECT_THROW(batchJobs({"a/f.pgm", "b/f.png"}, "out", "png"), std::runtime_error);

    std::FILE* errors = std::tmpfile();
    const BatchResult result = runBatch(
        jobs, 3,
        [](const BatchJob& job) {
            if (job.input.find("b.PGM") != std::string::npos) throw std::runtime_error("broken");
        },
        errors, false);
    EXPECT_EQ(3u, result.done);
    EXPECT_EQ(1u, result.failed);
    std::rewind(errors);
    char line[512] = {};
    ASSERT_NE(nullptr, std::fgets(line, sizeof line, errors));
    EXPECT_EQ("pixmill-convert: '" + folder + "/b.PGM': broken\n", std::string(line));
    std::fclose(errors);
}

}  // namespace
