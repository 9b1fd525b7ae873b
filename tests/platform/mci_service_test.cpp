#include "platform/mci/mci.h"
#include "platform/mci/mci_errors.h"
#include "support/manual_audio.h"
#include "support/mp3_fixtures.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>

namespace {

using namespace std::chrono_literals;
using test_support::testDataFile;

uint32_t send(const std::string& command) {
    return mciSendStringA(command.c_str(), nullptr, 0, nullptr);
}

struct Reply {
    uint32_t code = 0;
    std::string text;
};

Reply query(const std::string& command) {
    std::array<char, 128> area {};
    const uint32_t code = mciSendStringA(command.c_str(), area.data(), area.size(), nullptr);
    return { code, area.data() };
}

std::string openCommand(const std::filesystem::path& path) {
    return "open \"" + path.string() + "\" type mpegvideo alias movie";
}

class MediaService : public testing::Test {
protected:
    void SetUp() override {
        directory_
            = std::filesystem::temp_directory_path() / ("tuneshear-mci-" + std::to_string(std::random_device {}()));
        std::filesystem::create_directories(directory_);
    }
    void TearDown() override {
        send("close all");
        std::filesystem::remove_all(directory_);
    }

    std::filesystem::path directory() const { return directory_; }

    void openFixture(const std::string& name) { ASSERT_EQ(send(openCommand(testDataFile(name))), mci::kNoError); }

    static std::string mode() { return query("status movie mode").text; }
    static std::string position() { return query("status movie position wait").text; }

    test_support::ManualAudioClock clock;

private:
    std::filesystem::path directory_;
};

// Every fixture is three seconds of tone (tests/data/README.md). With the encoder's delay and padding known from
// the LAME tag the length is exactly that; without the tag all 116 decoded frames of 1152 samples play.
TEST_F(MediaService, LengthIsTheTruePlayingTimeOfTheFile) {
    for (const auto& [file, lengthMs] :
        std::vector<std::pair<std::string, std::string>> { { "cbr_128k_44k_stereo.mp3", "3000" },
            { "vbr_lame_tag_44k_stereo.mp3", "3000" }, { "vbr_no_tag_44k_stereo.mp3", "3030" },
            { "id3v2_20k_cbr_64k_mono.mp3", "3000" }, { "mpeg2_16k_mono.mp3", "3096" } }) {
        SCOPED_TRACE(file);
        openFixture(file);
        send("set movie time format ms");
        const Reply length = query("status movie length");
        EXPECT_EQ(length.code, mci::kNoError);
        EXPECT_EQ(length.text, lengthMs);
        send("close movie");
    }
}

// Each step sends a command, lets the clock run, then asks for the mode and the position.
TEST_F(MediaService, TransportMovesThePositionExactlyWithTheSoundPlayed) {
    struct Step {
        const char* command;
        std::chrono::milliseconds played;
        const char* mode;
        const char* position;
    };
    const Step steps[] {
        { "play movie", 500ms, "playing", "500" },
        { "pause movie", 700ms, "paused", "500" },
        { "resume movie", 234ms, "playing", "734" },
        { "stop movie", 500ms, "stopped", "734" },
        { "play movie", 100ms, "playing", "834" },
        { "play movie from 2000", 400ms, "playing", "2400" },
        { "play movie from 100", 50ms, "playing", "150" },
        { "seek movie to 1", 0ms, "stopped", "1" },
        { "seek movie to 777", 300ms, "stopped", "777" },
        { "seek movie to 1999", 0ms, "stopped", "1999" },
        { "seek movie to 2999", 0ms, "stopped", "2999" },
        { "seek movie to 3000", 0ms, "stopped", "3000" },
        { "seek movie to 0", 0ms, "stopped", "0" },
    };
    for (const std::string file : { "cbr_128k_44k_stereo.mp3", "vbr_lame_tag_44k_stereo.mp3", "mpeg2_16k_mono.mp3" }) {
        SCOPED_TRACE(file);
        openFixture(file);
        EXPECT_EQ(mode(), "stopped");
        EXPECT_EQ(position(), "0");
        for (const Step& step : steps) {
            SCOPED_TRACE(step.command);
            ASSERT_EQ(send(step.command), mci::kNoError);
            clock.advance(step.played);
            EXPECT_EQ(mode(), step.mode);
            EXPECT_EQ(position(), step.position);
        }
        send("close movie");
    }
}

TEST_F(MediaService, CommandsThatDoNotFitTheModeOrTheFileChangeNothing) {
    openFixture("cbr_128k_44k_stereo.mp3");
    EXPECT_EQ(send("resume movie"), mci::kNotApplicableInMode);
    send("seek movie to 800");
    EXPECT_EQ(send("pause movie"), mci::kNoError);
    EXPECT_EQ(send("seek movie to 3001"), mci::kOutOfRange);
    EXPECT_EQ(send("seek movie to -1"), mci::kOutOfRange);
    EXPECT_EQ(send("play movie from 5000"), mci::kOutOfRange);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), "800");

    send("play movie");
    EXPECT_EQ(send("resume movie"), mci::kNotApplicableInMode);
    EXPECT_EQ(mode(), "playing");

    send("seek movie to 3000");
    EXPECT_EQ(send("play movie"), mci::kNoError);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), "3000");
}

TEST_F(MediaService, PlaybackEndsStoppedAtTheLength) {
    openFixture("vbr_no_tag_44k_stereo.mp3");
    send("play movie from 2900");
    clock.advance(129ms);
    EXPECT_EQ(mode(), "playing");
    clock.advance(200ms);
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), query("status movie length").text);
}

TEST_F(MediaService, CloseFreesTheAliasCloseAllClosesEveryDeviceAndAClosedDeviceRefusesCommands) {
    const auto file = testDataFile("cbr_128k_44k_stereo.mp3");
    ASSERT_EQ(send(openCommand(file)), mci::kNoError);
    EXPECT_EQ(send(openCommand(file)), mci::kDuplicateAlias);
    ASSERT_EQ(send("open \"" + file.string() + "\" type mpegvideo alias second"), mci::kNoError);
    EXPECT_EQ(send("close movie"), mci::kNoError);
    EXPECT_EQ(send("close movie"), mci::kDeviceNotOpen);
    EXPECT_EQ(send("status second mode"), mci::kNoError);
    EXPECT_EQ(send("close all"), mci::kNoError);
    EXPECT_EQ(send("status second mode"), mci::kDeviceNotOpen);
    for (const char* command : { "play movie", "seek movie to 0", "pause movie", "resume movie", "stop movie",
             "set movie time format ms", "status movie mode" }) {
        EXPECT_EQ(send(command), mci::kDeviceNotOpen) << command;
    }
    EXPECT_EQ(send(openCommand(file)), mci::kNoError);
}

TEST_F(MediaService, OpensTheWindowFormTheTwiceQuotedNameAndQuotesInsideAPath) {
    const auto file = testDataFile("id3v2_20k_cbr_64k_mono.mp3");
    ASSERT_EQ(send("open \"" + file.string() + "\" type mpegvideo alias movie parent 1234 style child "), 0U);
    send("close movie");
    ASSERT_EQ(send("open \"\"" + file.string() + "\"\" type mpegvideo alias movie"), mci::kNoError);
    send("close movie");

    const auto folder = directory() / "my \"best\" clips";
    std::filesystem::create_directories(folder);
    const auto copy = folder / "a tune.mp3";
    std::filesystem::copy_file(testDataFile("cbr_128k_44k_stereo.mp3"), copy);
    ASSERT_EQ(send(openCommand(copy)), mci::kNoError);
    EXPECT_EQ(query("status movie length").text, "3000");
}

struct BadFileRow {
    std::string name;
    std::function<void(const std::filesystem::path&)> make;
    uint32_t error;
};

void PrintTo(const BadFileRow& row, std::ostream* out) {
    *out << row.name << " gives " << row.error;
}

class MediaServiceBadFile : public MediaService, public testing::WithParamInterface<BadFileRow> { };

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string randomBytes(std::size_t count) {
    std::mt19937 generator(20240601);
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

std::string fixtureBytes(const std::string& name, std::size_t count) {
    std::ifstream file(testDataFile(name), std::ios::binary);
    std::string bytes(count, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(count));
    return bytes;
}

TEST_P(MediaServiceBadFile, IsRefusedAndLeavesNoDeviceOpen) {
    const auto path = directory() / "bad.mp3";
    GetParam().make(path);
    EXPECT_EQ(send(openCommand(path)), GetParam().error);
    EXPECT_EQ(send("status movie mode"), mci::kDeviceNotOpen);
}

INSTANTIATE_TEST_SUITE_P(Files, MediaServiceBadFile,
    testing::Values(BadFileRow { "Missing", [](const auto&) {}, mci::kFileNotFound },
        BadFileRow {
            "Directory", [](const auto& path) { std::filesystem::create_directory(path); }, mci::kInvalidFile },
        BadFileRow { "Empty", [](const auto& path) { writeBytes(path, ""); }, mci::kInvalidFile },
        BadFileRow { "Text", [](const auto& path) { writeBytes(path, std::string(5000, 'x')); }, mci::kInvalidFile },
        BadFileRow {
            "RandomBytes", [](const auto& path) { writeBytes(path, randomBytes(200'000)); }, mci::kInvalidFile },
        BadFileRow { "CutInsideTheFirstFrame",
            [](const auto& path) { writeBytes(path, fixtureBytes("cbr_128k_44k_stereo.mp3", 300)); },
            mci::kInvalidFile }),
    [](const auto& info) { return info.param.name; });

// A file cut short opens with the length it still has; damage in the middle is skipped, not taken for the end.
TEST_F(MediaService, DamagedFileOpensAndPlaysToTheEndOfTheSoundItStillHolds) {
    const auto fixture = testDataFile("cbr_128k_44k_stereo.mp3");
    const std::string truncated = fixtureBytes(fixture.filename(), 24'000);
    std::string damaged = fixtureBytes(fixture.filename(), std::filesystem::file_size(fixture));
    const std::string junk = randomBytes(3000);
    damaged.replace(20'000, junk.size(), junk);
    struct Row {
        const char* name;
        const std::string& bytes;
        int shortest;
        int longest;
    };
    for (const Row& row : { Row { "truncated", truncated, 1300, 1600 }, Row { "damaged", damaged, 2500, 3000 } }) {
        SCOPED_TRACE(row.name);
        send("close movie");
        const auto path = directory() / (std::string(row.name) + ".mp3");
        writeBytes(path, row.bytes);
        ASSERT_EQ(send(openCommand(path)), mci::kNoError);
        const int length = std::stoi(query("status movie length").text);
        EXPECT_GT(length, row.shortest);
        EXPECT_LE(length, row.longest);
        send("play movie");
        clock.advance(std::chrono::milliseconds(length - 100));
        EXPECT_EQ(mode(), "playing");
        clock.advance(200ms);
        EXPECT_EQ(mode(), "stopped");
        EXPECT_EQ(position(), std::to_string(length));
    }
}

TEST_F(MediaService, ReplyIsCutToTheAreaLengthAndAFailedQueryLeavesTheAreaUntouched) {
    std::array<char, 8> area;
    area.fill('#');
    EXPECT_EQ(mciSendStringA("status movie position", area.data(), area.size(), nullptr), mci::kDeviceNotOpen);
    openFixture("cbr_128k_44k_stereo.mp3");
    EXPECT_EQ(mciSendStringA("status movie volume", area.data(), area.size(), nullptr), mci::kUnrecognizedKeyword);
    EXPECT_EQ(mciSendStringA("play movie", area.data(), area.size(), nullptr), mci::kNoError);
    EXPECT_EQ(std::string(area.data(), 8), std::string(8, '#'));

    send("stop movie");
    ASSERT_EQ(mciSendStringA("status movie mode", area.data(), 4, nullptr), mci::kNoError);
    EXPECT_EQ(std::string(area.data(), 8), std::string("sto\0####", 8));
    ASSERT_EQ(mciSendStringA("status movie length", area.data(), 5, nullptr), mci::kNoError);
    EXPECT_EQ(std::string(area.data(), 8), std::string("3000\0###", 8));
}

TEST_F(MediaService, SilentFileReportsItsLengthExactlyAndPlaysOnAfterAFarSeek) {
    for (const auto duration : { 1'234ms, 215'000ms }) {
        send("close movie");
        const auto path = test_support::writeSilentMp3(directory() / "silence.mp3", duration);
        ASSERT_EQ(send(openCommand(path)), mci::kNoError);
        EXPECT_EQ(query("status movie length").text, std::to_string(test_support::silentMp3Length(duration).count()));
    }
    send("play movie from 214000");
    clock.advance(999ms);
    EXPECT_EQ(position(), "214999");
    clock.advance(1ms);
    EXPECT_EQ(mode(), "stopped");
}

} // namespace
