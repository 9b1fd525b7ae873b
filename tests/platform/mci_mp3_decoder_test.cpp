#include "platform/mci/mp3_decoder.h"
#include "support/mp3_fixtures.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace {

int64_t decodedFrames(mci::Mp3Decoder& decoder) {
    std::vector<int16_t> samples(4096 * static_cast<std::size_t>(decoder.format().channels));
    int64_t frames = 0;
    for (std::size_t got = 1; got > 0;) {
        got = decoder.read(samples);
        frames += static_cast<int64_t>(got);
    }
    return frames;
}

// A copy of a fixture's first `bytes` bytes: its tag still counts the whole file.
std::filesystem::path cutShort(const std::string& name, std::size_t bytes) {
    std::ifstream source(test_support::testDataFile(name), std::ios::binary);
    std::string content(std::istreambuf_iterator<char>(source), {});
    const auto path = std::filesystem::temp_directory_path() / ("tuneshear-cut-" + std::to_string(bytes) + name);
    std::ofstream(path, std::ios::binary) << content.substr(0, bytes);
    return path;
}

// The length is what decoding the whole file gives, sample for sample, whether it comes from the tag or a scan.
TEST(Mp3Decoder, LengthIsExactlyWhatAFullDecodeGives) {
    const std::vector<std::filesystem::path> files { test_support::testDataFile("cbr_128k_44k_stereo.mp3"),
        test_support::testDataFile("vbr_lame_tag_44k_stereo.mp3"),
        test_support::testDataFile("vbr_no_tag_44k_stereo.mp3"),
        test_support::testDataFile("id3v2_20k_cbr_64k_mono.mp3"), test_support::testDataFile("mpeg2_16k_mono.mp3"),
        cutShort("cbr_128k_44k_stereo.mp3", 24'000), cutShort("vbr_lame_tag_44k_stereo.mp3", 9'000),
        cutShort("id3v2_20k_cbr_64k_mono.mp3", 40'000) };
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        auto opened = mci::Mp3Decoder::open(file);
        ASSERT_TRUE(std::holds_alternative<std::unique_ptr<mci::Mp3Decoder>>(opened));
        auto& decoder = *std::get<std::unique_ptr<mci::Mp3Decoder>>(opened);
        const int64_t length = decoder.lengthFrames();
        EXPECT_EQ(length, decodedFrames(decoder));
        if (file.filename().string().starts_with("tuneshear-cut-")) {
            std::filesystem::remove(file);
        }
    }
}

} // namespace
