// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/clock_paced_output.h"
#include "platform/mci/command_parser.h"
#include "platform/mci/mci.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/mp3_decoder.h"
#include "platform/mci/output_factory.h"
#include "platform/mci/service.h"
#include "support/manual_audio.h"
#include "support/mp3_fixtures.h"

#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

using namespace std::chrono_literals;
using test_support::contentsOf;
using test_support::testDataFile;

// A command as one line of text, or its error number.
std::string described(const std::variant<mci::Command, uint32_t>& parsed) {
    if (const auto* error = std::get_if<uint32_t>(&parsed)) {
        return "error " + std::to_string(*error);
    }
    const auto& command = std::get<mci::Command>(parsed);
    const auto number = [](const std::optional<int64_t>& value) { return value ? std::to_string(*value) : "-"; };
    return std::to_string(static_cast<int>(command.verb)) + " " + command.device + (command.allDevices ? " all" : "")
        + " [" + command.path + "] " + number(command.parentWindow) + " " + command.windowStyle + " "
        + number(command.position) + " " + std::to_string(static_cast<int>(command.statusItem))
        + (command.wait ? " wait" : "") + (command.end ? " to " + std::to_string(*command.end) : "");
}

// Verbs: 0 open, 1 close, 2 play, 3 seek, 4 pause, 5 resume, 6 stop, 7 set, 8 status; items: 0 length, 1 position,
// 2 mode, 3 samples per second, 4 samples per frame. Errors: 259 keyword, 261 command, 270 integer, 273 parameter.
TEST(CommandText, IsTakenApartOrRefusedWithItsErrorNumber) {
    const std::pair<const char*, const char*> rows[] { { R"(open "/tmp/a b.mp3" type mpegvideo alias movie)",
                                                           "0 movie [/tmp/a b.mp3] -  - 2" },
        { R"(open "/x.mp3" type mpegvideo alias movie parent 1234 style child )", "0 movie [/x.mp3] 1234 child - 2" },
        { R"(open ""/tmp/a b.mp3"" type mpegvideo alias movie)", "0 movie [/tmp/a b.mp3] -  - 2" },
        { R"(open "/tmp/say "hi" now/x.mp3" alias movie)", R"(0 movie [/tmp/say "hi" now/x.mp3] -  - 2)" },
        { "OPEN /tmp/plain.mp3 TYPE MPEGVideo\tALIAS Movie", "0 movie [/tmp/plain.mp3] -  - 2" },
        { "close movie", "1 movie [] -  - 2" }, { "CLOSE ALL", "1 all all [] -  - 2" },
        { "play all", "2 all [] -  - 2" }, { "play movie from -5", "2 movie [] -  -5 2" },
        { "seek movie to 0", "3 movie [] -  0 2" }, { " \t pause   movie  ", "4 movie [] -  - 2" },
        { "resume movie", "5 movie [] -  - 2" }, { "stop movie", "6 movie [] -  - 2" },
        { "set movie time format milliseconds", "7 movie [] -  - 2" }, { "status movie length", "8 movie [] -  - 0" },
        { "Status Movie Position WAIT", "8 movie [] -  - 1 wait" }, { "", "error 261" },
        { "rewind movie", "error 261" }, { "play", "error 273" }, { "open", "error 273" },
        { R"(open "" alias movie)", "error 273" }, { R"(open "/tmp/x.mp3 alias movie)", "error 273" },
        { R"(open "/tmp/x.mp3" type mpegvideo)", "error 273" },
        { R"(open /x.mp3 type waveaudio alias movie)", "error 259" }, { "open /x.mp3 alias movie parent", "error 273" },
        { "open /x.mp3 alias movie parent w", "error 270" }, { "open /x.mp3 alias movie volume 3", "error 259" },
        { "play movie from 12s", "error 270" }, { "play movie from 99999999999999999999", "error 270" },
        { "play movie to 5", "2 movie [] -  - 2 to 5" }, { "status movie volume", "error 259" },
        { "play movie from 83000 to 85000", "2 movie [] -  83000 2 to 85000" },
        { "PLAY movie TO 85000 From 83000", "2 movie [] -  83000 2 to 85000" }, { "play movie from 1 to", "error 273" },
        { "play movie from 1 from 2", "error 259" }, { "status movie samplespersec", "8 movie [] -  - 3" },
        { "status movie samplesperframe", "8 movie [] -  - 4" }, { "seek movie from 5", "error 259" },
        { "seek movie", "error 273" }, { "seek movie to", "error 273" }, { "pause movie now", "error 259" },
        { "set movie time", "error 273" }, { "set movie time format frames", "error 259" },
        { "set movie audio all off", "error 259" }, { "status movie", "error 273" } };
    for (const auto& [text, expected] : rows) {
        EXPECT_EQ(described(mci::parseCommand(text)), expected) << '"' << text << '"';
    }
}

uint32_t send(const std::string& command) {
    return mciSendStringA(command.c_str(), nullptr, 0, nullptr);
}

// The reply, or "error N".
std::string answer(const std::string& command) {
    std::array<char, 128> area {};
    const uint32_t error = mciSendStringA(command.c_str(), area.data(), area.size(), nullptr);
    return error == 0 ? area.data() : "error " + std::to_string(error);
}

std::string openCommand(const std::filesystem::path& path, const std::string& alias = "movie") {
    return "open \"" + path.string() + "\" type mpegvideo alias " + alias;
}

std::string randomBytes(std::size_t count) {
    std::mt19937 generator(20240601);
    std::string bytes(count, '\0');
    std::generate(bytes.begin(), bytes.end(), generator);
    return bytes;
}

class MediaService : public testing::Test {
protected:
    ~MediaService() override { send("close all"); }

    std::filesystem::path write(const std::string& name, const std::string& bytes) {
        const QString path = folder.filePath(QString::fromStdString(name));
        EXPECT_TRUE(test_support::writeFile(path, QByteArray::fromStdString(bytes)));
        return path.toStdString();
    }

    QTemporaryDir folder;
    test_support::ManualAudioClock clock;
};

// The length is what a full gapless decode plays; a file that holds no run of MPEG frames is refused.
TEST_F(MediaService, OpensEveryPlayableFileWithItsExactLengthAndRefusesTheRest) {
    const std::string cbr = contentsOf(testDataFile("cbr_128k_44k_stereo.mp3")).toStdString();
    std::string damaged = cbr;
    damaged.replace(20'000, 3000, randomBytes(3000));
    std::string damagedLate = cbr;
    damagedLate.replace(36'000, 3000, randomBytes(3000));
    const auto pair = contentsOf(test_support::writeSilentMp3(folder.filePath("p").toStdString(), 16ms)).toStdString();
    const std::string framePairsInJunk = std::string(1000, '\0') + pair + randomBytes(700) + pair
        + std::string(900, '\0') + pair + std::string(1000, '\0');
    const std::tuple<std::string, std::filesystem::path, std::string> rows[] {
        { "cbr", testDataFile("cbr_128k_44k_stereo.mp3"), "3000" },
        { "vbr with tag", testDataFile("vbr_lame_tag_44k_stereo.mp3"), "3000" },
        { "vbr without tag", testDataFile("vbr_no_tag_44k_stereo.mp3"), "3030" },
        { "id3 tags", testDataFile("id3v2_20k_cbr_64k_mono.mp3"), "3000" },
        { "mpeg-2", testDataFile("mpeg2_16k_mono.mp3"), "3096" },
        { "silent", test_support::writeSilentMp3(folder.filePath("s.mp3").toStdString(), 215'007ms), "215000" },
        { "truncated", write("t.mp3", cbr.substr(0, 24'000)), "1463" },
        { "vbr truncated, its tag counting all",
            write("v.mp3", contentsOf(testDataFile("vbr_lame_tag_44k_stereo.mp3")).toStdString().substr(0, 9'000)),
            "1750" },
        { "damaged in the middle", write("d.mp3", damaged), "2743" },
        { "damaged late", write("l.mp3", damagedLate), "2847" },
        { "missing", folder.filePath("missing.mp3").toStdString(), "error 275" },
        { "directory", folder.path().toStdString(), "error 296" }, { "empty", write("e.mp3", ""), "error 296" },
        { "text", write("x.mp3", std::string(5000, 'x')), "error 296" },
        { "random bytes", write("r.mp3", randomBytes(200'000)), "error 296" },
        { "cut in the first frame", write("c.mp3", cbr.substr(0, 300)), "error 296" },
        { "frame pairs in junk", write("j.mp3", framePairsInJunk), "error 296" }
    };
    for (const auto& [name, path, length] : rows) {
        SCOPED_TRACE(name);
        const uint32_t opened = send(openCommand(path));
        EXPECT_EQ(opened == 0 ? answer("status movie length") : "error " + std::to_string(opened), length);
        if (opened != 0) {
            EXPECT_EQ(send("status movie mode"), mci::kDeviceNotOpen);
            continue;
        }
        // The length is what a full decode plays, and a seek lands on the sound played through to there.
        if (!name.starts_with("damaged")) { // junk that looks like frames decodes to a few extra samples
            const auto decoder = std::move(std::get<std::unique_ptr<mci::Mp3Decoder>>(mci::Mp3Decoder::open(path)));
            const auto channels = static_cast<std::size_t>(decoder->format().channels);
            const auto all = test_support::decodedSamples(path);
            const std::size_t decoded = all.size() / channels;
            EXPECT_EQ(decoder->lengthFrames(), static_cast<int64_t>(decoded));
            const auto third = test_support::decodedSamples(path, static_cast<int64_t>(decoded / 3));
            EXPECT_TRUE(std::equal(third.begin(), third.begin() + 4096 * channels,
                all.begin() + (decoded / 3) * channels,
                [](int16_t seeked, int16_t played) { return std::abs(seeked - played) <= 1; })); // rounding, no click
        }
        send("play movie from " + std::to_string(std::stoi(length) - 200));
        clock.advance(199ms);
        const std::string before = answer("status movie mode");
        clock.advance(2ms);
        EXPECT_EQ(before + " " + answer("status movie mode") + " " + answer("status movie position"),
            "playing stopped " + length);
        send("close movie");
    }
}

// Where SDL finds no sound device, files play silently, and why is said once, however many play.
TEST(DefaultOutput, SaysOnceWhyItPlaysSilently) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    qputenv("SDL_AUDIODRIVER", "none"); // for the child process: this one's SDL may have started already
    const auto openTwo = [] {
        for (const char* alias : { "first", "second" }) {
            send(openCommand(testDataFile("cbr_128k_44k_stereo.mp3"), alias));
        }
        std::exit(mci::whySilent() ? 0 : 4);
    };
    EXPECT_EXIT(openTwo(), testing::ExitedWithCode(0),
        "^Tuneshear plays without sound: no sound device can be opened[^\n]*\n$");
    qputenv("SDL_AUDIODRIVER", "dummy");
}

// Waits on the clock however loaded the machine is: the position never runs ahead of the time passed, and moves
// between the output's pulls, so the estimate of what it holds unheard is right within a buffer. SDL plays through its
// dummy driver here (SDL_AUDIODRIVER=dummy), which takes a buffer at the pace of the clock, as a sound card does.
TEST(RealTimeOutputs, PlayInRealTimeStandStillWhilePausedAndGoOnAtOnce) {
    struct Silence : mci::PcmSource {
        void fill(std::span<int16_t>) override { }
    } silence;
    mci::ClockPacedOutput idle({ 44100, 2 }, silence); // holds nothing before its start or after its halt
    std::this_thread::sleep_for(20ms);
    const int64_t beforeStart = idle.bufferedFrames();
    idle.start();
    idle.halt();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(std::pair(beforeStart, idle.bufferedFrames()), std::pair(int64_t { 0 }, int64_t { 0 }));
    const std::pair<const char*, mci::OutputFactory> outputs[] {
        { "clock-paced",
            [](mci::AudioFormat format, mci::PcmSource& source) -> std::unique_ptr<mci::AudioOutput> {
                return std::make_unique<mci::ClockPacedOutput>(format, source);
            } },
        { "SDL", mci::openDefaultOutput }
    };
    for (const auto& [name, make] : outputs) {
        SCOPED_TRACE(name);
        mci::processService().setOutputFactory(make);
        ASSERT_EQ(send(openCommand(testDataFile("cbr_128k_44k_stereo.mp3"))), 0U);
        const auto started = std::chrono::steady_clock::now();
        send("play movie");
        int position = 0;
        while (position < 200 && std::chrono::steady_clock::now() - started < 10s) {
            std::this_thread::sleep_for(10ms);
            position = std::stoi(answer("status movie position"));
        }
        const auto elapsed = std::chrono::steady_clock::now() - started;
        EXPECT_GE(position, 200);
        EXPECT_LE(position, std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() + 20);
        // The output pulls sound in larger steps than this; the position still moves between them.
        int moves = 0;
        for (int reading = 0, last = position; reading < 4; ++reading) {
            std::this_thread::sleep_for(15ms);
            const int now = std::stoi(answer("status movie position"));
            moves += now > last ? 1 : 0;
            last = now;
        }
        EXPECT_GE(moves, 3);
        send("pause movie");
        const std::string paused = answer("status movie position");
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(answer("status movie position"), paused);
        send("resume movie"); // plays on at once, not once the time played before has passed again
        std::this_thread::sleep_for(150ms);
        EXPECT_GT(std::stoi(answer("status movie position")), std::stoi(paused));
        send("close all");
    }
    mci::processService().useDefaultOutput();
    EXPECT_EQ(mci::whySilent(), std::nullopt); // SDL played, not the silent stand-in
}

} // namespace
