// SPDX-License-Identifier: GPL-3.0-or-later
#include "mp3/audio_range.h"
#include "mp3/frame_walk.h"
#include "mp3/mpeg_frame.h"
#include "support/mp3_fixtures.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::span<const uint8_t> bytesOf(const QByteArray& bytes) {
    return { reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size()) };
}

// Four header bytes, a CRC where the header says so, then the side information's first two bytes: AB CD.
TEST(FrameHeader, SaysTheFrameSizeRateAndWhereItsSoundDataLies) {
    using Read = std::tuple<int, int, int, int64_t, int64_t, int>; // kbit/s, Hz, samples, bytes, sound bytes, begin
    const std::pair<const char*, std::optional<Read>> rows[] { { "fffb9064abcd",
                                                                   Read { 128, 44100, 1152, 417, 381, 343 } },
        { "fffa90640000abcd", Read { 128, 44100, 1152, 417, 379, 343 } },
        { "fffb90c4abcd", Read { 128, 44100, 1152, 417, 396, 343 } },
        { "fffb9264abcd", Read { 128, 44100, 1152, 418, 382, 343 } },
        { "fffb9464abcd", Read { 128, 48000, 1152, 384, 348, 343 } },
        { "fffb9864abcd", Read { 128, 32000, 1152, 576, 540, 343 } },
        { "fff39064abcd", Read { 80, 22050, 576, 261, 240, 171 } },
        { "ffe39064abcd", Read { 80, 11025, 576, 522, 501, 171 } },
        { "fffd9064abcd", Read { 160, 44100, 1152, 522, 486, 0 } },
        { "ffff9064abcd", Read { 288, 44100, 384, 312, 276, 0 } },
        { "fff79064abcd", Read { 144, 22050, 384, 312, 291, 0 } }, { "fffb0064", std::nullopt },
        { "fffbf064", std::nullopt }, { "fffb9c64", std::nullopt }, { "ffeb9064", std::nullopt },
        { "fff99064", std::nullopt }, { "fefb9064", std::nullopt }, { "fffb90", std::nullopt } };
    for (const auto& [hex, expected] : rows) {
        const QByteArray bytes = QByteArray::fromHex(hex);
        const auto header = mp3::parseFrameHeader(bytesOf(bytes));
        EXPECT_EQ(header ? std::optional(Read { header->bitRate / 1000, header->sampleRate, header->samplesPerFrame,
                      header->frameBytes, mp3::mainDataBytes(*header), mp3::mainDataBegin(bytesOf(bytes), *header) })
                         : std::nullopt,
            expected)
            << hex;
    }
    const auto like = *mp3::parseFrameHeader(bytesOf(QByteArray::fromHex("fffb9064")));
    EXPECT_EQ(mp3::bitRateIndexHolding(like, 417), 9); // the lowest bit rate whose frame holds them, also exactly
}

// A stream with tags around it and frames in the middle damaged, cut or of another stream: the list holds every
// frame of the stream where it lies, and the tag counts only an unbroken stream.
TEST(FrameWalk, FindsEveryFrameBetweenTheTagsAndStepsOverJunk) {
    const QByteArray cbr = test_support::contentsOf(test_support::testDataFile("cbr_128k_44k_stereo.mp3"));
    int64_t bytesRead = 0;
    const auto walked = [&bytesRead](const QByteArray& file) {
        return mp3::listFrames(test_support::fileBytes(file.toStdString(), &bytesRead));
    };
    const auto original = walked(cbr);
    ASSERT_TRUE(original && original->tag && original->frames.size() > 100);
    const int64_t tenth = original->frames[10].offset;
    const int64_t last = original->frames.back().offset;
    // A pair of frame headers inside the sound just after the middle, where the second half's walk looks first.
    const int64_t middle = std::ssize(cbr) / 2;
    const auto spanning = std::find_if(original->frames.begin(), original->frames.end(),
        [middle](const mp3::AudioFrame& frame) { return frame.offset + frame.bytes > middle + 44; });
    QByteArray falsePair = cbr;
    falsePair.replace(std::max(middle, spanning->offset + 40), 4, QByteArray::fromHex("fffb9064"));
    falsePair.replace(std::max(middle, spanning->offset + 40) + 417, 4, QByteArray::fromHex("fffb9064"));
    const QByteArray picture = test_support::id3v2Tag(140'000);
    const QByteArray mpeg2Frame = QByteArray::fromHex("fff39064") + QByteArray(257, '\0');
    QByteArray wrongByteCount = cbr;
    const auto tagAt = cbr.indexOf("Info") >= 0 ? cbr.indexOf("Info") : cbr.indexOf("Xing");
    wrongByteCount[tagAt + 15] = static_cast<char>(wrongByteCount[tagAt + 15] + 1);
    const QByteArray vbri = QByteArray(cbr).replace(tagAt, 4, "VBRI");
    // name, file, bytes in front of the frames from the tenth on, frames left off at the end, counted by the tag
    const std::tuple<const char*, QByteArray, int64_t, int64_t, std::size_t, bool> rows[] {
        { "as encoded", cbr, 0, 0, 0, true },
        { "behind a picture, before an ID3v1 tag", picture + cbr + "TAG" + QByteArray(125, 't'), picture.size(),
            picture.size(), 0, true },
        { "junk after the tenth frame", cbr.first(tenth) + QByteArray(700, '\xff') + cbr.sliced(tenth), 0, 700, 0,
            false },
        { "another stream's frame", cbr.first(tenth) + mpeg2Frame + cbr.sliced(tenth), 0, 261, 0, false },
        { "the last frame cut", cbr.first(last + 100), 0, 0, 1, false },
        { "a frame pair in the sound", falsePair, 0, 0, 0, true },
        // The search reads 128 KB blocks that overlap by a frame: this frame starts where the second block does.
        { "128 KB of junk", cbr.first(tenth) + QByteArray(128'188, '\0') + cbr.sliced(tenth), 0, 128'188, 0, false },
        { "130 KB of junk", cbr.first(tenth) + QByteArray(132'000, '\0') + cbr.sliced(tenth), 0, 132'000, 0, false },
        { "the tag's byte count wrong", wrongByteCount, 0, 0, 0, false },
        { "a VBRI tag, whose counts the library does not read", vbri, 0, 0, 0, false },
    };
    for (const auto& [name, file, front, shift, leftOff, counted] : rows) {
        SCOPED_TRACE(name);
        bytesRead = 0;
        const auto list = walked(file);
        ASSERT_TRUE(list);
        EXPECT_LT(bytesRead, 2 * file.size()); // the walk reads a block at a time, not a block for each frame
        EXPECT_EQ(list->audio.leadingBytes, front);
        ASSERT_EQ(list->frames.size(), original->frames.size() - leftOff);
        for (std::size_t index = 0; index < list->frames.size(); ++index) {
            const mp3::AudioFrame& frame = list->frames[index];
            const mp3::AudioFrame& was = original->frames[index];
            EXPECT_EQ(std::tuple(frame.offset, frame.bytes, frame.mainDataBegin),
                std::tuple(was.offset + (index < 10 ? front : shift), was.bytes, was.mainDataBegin))
                << index;
        }
        EXPECT_EQ(mp3::tagCountsWholeStream(test_support::fileBytes(file.toStdString())), counted);
    }
    EXPECT_FALSE(walked(QByteArray(5000, '\xff') + picture));
    EXPECT_TRUE(walked(cbr.first(original->frames.front().offset))); // the information frame alone
    const QByteArray junkBeforeTheLast = cbr.first(last) + QByteArray(700, '\0') + cbr.sliced(last); // none after it
    EXPECT_EQ(walked(junkBeforeTheLast)->frames.size(), original->frames.size());
    // Two frames in junk are no run of four: the run begins where the stream does.
    const QByteArray pair
        = (QByteArray::fromHex("fffb9064") + QByteArray(413, '\0')).repeated(2) + QByteArray(100, '\0');
    EXPECT_EQ(mp3::firstRunOfFrames(test_support::fileBytes((pair + cbr).toStdString()), 4), pair.size());
}

QByteArray bytesOf(const std::vector<uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

// The sound data that each frame from `from` on sees: what it borrows from the frames before it, then its own area.
std::vector<QByteArray> soundDataSeen(const QByteArray& file, std::size_t from) {
    const auto list = mp3::listFrames(test_support::fileBytes(file.toStdString()));
    std::vector<QByteArray> seen;
    QByteArray before;
    for (std::size_t index = 0; list && index < list->frames.size(); ++index) {
        const mp3::AudioFrame& frame = list->frames[index];
        const QByteArray area = file.mid(frame.offset + frame.bytes - frame.mainDataBytes, frame.mainDataBytes);
        seen.push_back(before.right(frame.mainDataBegin) + area);
        before += area;
    }
    return { seen.begin() + static_cast<std::ptrdiff_t>(std::min(from, seen.size())), seen.end() };
}

// Eight frames of sound data that tells where it sits, each borrowing the same, from one to four frames back; the
// sixth written anew borrows nothing, and its own data and all that the frames after it see stay as they were.
TEST(SelfContainedFrame, KeepsWhatItAndTheFramesAfterItSee) {
    const std::pair<const char*, int> rows[] { { "fffb9000", 0 }, { "fffb9000", 300 }, { "fffa9000", 500 },
        { "fffb44c0", 500 }, { "fffa44c0", 300 }, { "fff38000", 250 }, { "fff230c0", 250 }, { "fff380c0", 150 } };
    for (const auto& [hex, borrowed] : rows) {
        SCOPED_TRACE(testing::Message() << hex << " borrowing " << borrowed);
        const auto header = *mp3::parseFrameHeader(bytesOf(QByteArray::fromHex(hex)));
        QByteArray stream(8 * header.frameBytes, '\0');
        for (qsizetype index = 0; index < stream.size(); ++index) {
            stream[index] = static_cast<char>(index * 2654435761ULL >> 13);
        }
        for (qsizetype at = 0; at < stream.size(); at += header.frameBytes) {
            const auto sideInfo = at + static_cast<qsizetype>(mp3::sideInfoOffset(header));
            const int shift = header.version == 3 ? 7 : 8; // main_data_begin has 9 or 8 bits
            const int first = borrowed << shift | (stream[sideInfo + 1] & ((1 << shift) - 1));
            stream.replace(at, 4, QByteArray::fromHex(hex));
            stream[sideInfo] = static_cast<char>(first >> 8);
            stream[sideInfo + 1] = static_cast<char>(first);
        }
        const auto source = mp3::listFrames(test_support::fileBytes(stream.toStdString()));
        ASSERT_TRUE(source && source->frames.size() == 8 && mp3::canStandAlone(*source, 5));
        const auto anew = mp3::selfContainedFrameAt(test_support::fileBytes(stream.toStdString()), *source, 5);
        ASSERT_TRUE(anew);
        const auto was = soundDataSeen(stream, 5),
                   is = soundDataSeen(bytesOf(*anew) + stream.sliced(6 * header.frameBytes), 0);
        ASSERT_EQ(is.size(), 3U);
        EXPECT_EQ(std::tuple(is[0].first(was[0].size() - borrowed), is[1], is[2]),
            std::tuple(was[0].first(was[0].size() - borrowed), was[1], was[2]));
        EXPECT_EQ(mp3::mainDataBegin(*anew, header), 0);
        EXPECT_EQ(header.crcProtected, ((*anew)[4] << 8 | (*anew)[5]) == mp3::headerCrc(*anew, header));
    }
}

// In front of a stream without an information frame, a frame of silence decodes to zeros and leaves the stream after
// it as it was, within the library's rounding. lame's CRCs are the ones we compute.
TEST(SilentFrame, DecodesToZerosAndLeavesTheFramesAfterItAsTheyWere) {
    const QTemporaryDir folder;
    const auto decoded = [&folder](const QByteArray& file) {
        test_support::writeFile(folder.filePath("file.mp3"), file);
        return test_support::decodedSamples(folder.filePath("file.mp3").toStdString());
    };
    for (const char* name : { "cbr_128k_44k_stereo.mp3", "mpeg2_16k_mono.mp3", "crc_96k_44k_mono.mp3" }) {
        SCOPED_TRACE(name);
        const auto file = test_support::contentsOf(test_support::testDataFile(name));
        const auto list = mp3::listFrames(test_support::fileBytes(file.toStdString()));
        ASSERT_TRUE(list);
        const QByteArray stream = file.sliced(list->frames.front().offset);
        const auto plain = decoded(stream), silenced = decoded(bytesOf(mp3::silentFrame(list->stream)) + stream);
        const auto silent = static_cast<std::ptrdiff_t>(list->stream.samplesPerFrame * (list->stream.mono() ? 1 : 2));
        ASSERT_EQ(std::ssize(silenced), std::ssize(plain) + silent);
        EXPECT_EQ(std::count(silenced.begin(), silenced.begin() + silent, 0), silent);
        EXPECT_TRUE(std::equal(plain.begin(), plain.end(), silenced.begin() + silent,
            [](int16_t was, int16_t is) { return std::abs(was - is) <= 1; }));
        EXPECT_TRUE(!list->stream.crcProtected
            || (stream[4] << 8 | uint8_t(stream[5])) == mp3::headerCrc(bytesOf(stream), list->stream));
    }
}

QByteArray ape(uint8_t sizeWithFooter, bool withHeader) {
    const QByteArray footer = "APETAGEX" + QByteArray("\xd0\x07\0\0", 4) + char(sizeWithFooter) + QByteArray(10, '\0')
        + char(withHeader ? 0x80 : 0) + QByteArray(8, '\0');
    return (withHeader ? QByteArray(32, 'h') : "") + QByteArray(sizeWithFooter - 32, 'i') + footer;
}

TEST(AudioRange, LiesBetweenTheTagsAndTakesADamagedTagForAudio) {
    const QByteArray audio = QByteArray("\xff\xfb\x90\x64", 4).repeated(250);
    const QByteArray id3v1 = "TAG" + QByteArray(125, 't');
    const QByteArray picture = test_support::id3v2Tag(300'000);
    const QByteArray withFooter = test_support::id3v2Tag(100, 4, 0x10);
    QByteArray badSyncsafeByte = picture + audio;
    badSyncsafeByte[9] = static_cast<char>(badSyncsafeByte[9] | 0x80); // a size that would still fit the file
    const std::tuple<const char*, QByteArray, int64_t, int64_t> rows[] { { "no tag", audio, 0, 1000 },
        { "ID3v2 with a picture", picture + audio, picture.size(), 1000 },
        { "ID3v2.4 with footer", withFooter + audio, withFooter.size(), 1000 },
        { "two ID3v2 tags in a row", withFooter + picture + audio, withFooter.size() + picture.size(), 1000 },
        { "ID3v1 at the end", audio + id3v1, 0, 1000 }, { "APEv2 at the end", audio + ape(100, true), 0, 1000 },
        { "ID3v2, APEv2 and ID3v1", withFooter + audio + ape(64, false) + id3v1, withFooter.size(), 1000 },
        { "truncated tag header", picture.left(7), 0, 7 }, { "ID3v2 past the end", picture.left(200'000), 0, 200'000 },
        { "bad syncsafe byte", badSyncsafeByte, 0, badSyncsafeByte.size() },
        { "APEv2 into the ID3v2 tag", withFooter + ape(200, false).right(32), withFooter.size(), 32 },
        { "only ID3v2", picture, picture.size(), 0 }, { "ID3v2 and ID3v1", picture + id3v1, picture.size(), 0 },
        { "ID3v2 and APEv2", withFooter + ape(64, true), withFooter.size(), 0 },
        { "second ID3v2 past the end", withFooter + picture.chopped(50), withFooter.size(), picture.size() - 50 },
        { "unknown ID3v2 revision", "ID3\x03\xff" + picture.sliced(5) + audio, 0, picture.size() + 1000 },
        { "empty file", {}, 0, 0 } };
    for (const auto& [name, file, leadingBytes, audioBytes] : rows) {
        const auto range = mp3::audioRange(file.size(), [&file = file](int64_t offset, int64_t length) {
            EXPECT_TRUE(offset >= 0 && length >= 0 && offset + length <= file.size()) << offset << "+" << length;
            return file.mid(offset, length).toStdString();
        });
        EXPECT_EQ(std::pair(range.leadingBytes, range.audioBytes), std::pair(leadingBytes, audioBytes)) << name;
    }
}

// A clip's own information frame in every kind of Layer III stream: it reads back as written, keeps the source's
// encoder but not its replay gain, has the bit rate of a stream of one rate or the lowest that holds it, a header
// CRC where the stream has them, and the CRCs of its first bytes and of the music.
TEST(InformationFrame, ReadsBackAsWrittenWithBothCrcs) {
    // The source's encoder name where it is LAME's; players read the gapless numbers only behind such a name.
    const std::tuple<const char*, bool, std::string_view, std::size_t> rows[] { { "fffb9064", false, "LAME3.99r", 417 },
        { "fffb90c4", false, "", 417 }, { "fffa90c4", false, "LAME3.99r", 417 }, { "fffb5064", true, "Lavc59.37", 208 },
        { "fff39064", true, "", 182 }, { "ffe390c4", false, "LAME3.99r", 522 },
        { "ffe390c4", true, "LAME3.99r", 208 } };
    for (const auto& [likeHex, variable, sourceEncoder, frameBytes] : rows) {
        mp3::LameExtension source {};
        std::fill(std::copy(sourceEncoder.begin(), sourceEncoder.end(), source.begin()), source.end(), 0x5A);
        SCOPED_TRACE(testing::Message() << likeHex << (variable ? " Xing" : " Info"));
        const QByteArray likeBytes = QByteArray::fromHex(likeHex);
        const auto like = mp3::parseFrameHeader(std::span(reinterpret_cast<const uint8_t*>(likeBytes.data()), 4));
        mp3::InformationFrameContents contents { variable, 1234, 567'890, {}, mp3::Gapless { 2345, 1678 },
            !sourceEncoder.empty() ? std::optional(source) : std::nullopt, 0xBEEF };
        contents.tableOfContents.fill(7);
        const auto frame = mp3::informationFrame(*like, contents);
        const auto header = mp3::parseFrameHeader(frame);
        ASSERT_TRUE(header && mp3::sameStream(*header, *like));
        EXPECT_EQ(std::tuple(header->channelMode, header->crcProtected, frame.size()),
            std::tuple(like->channelMode, like->crcProtected, frameBytes));
        EXPECT_TRUE(!header->crcProtected || (frame[4] << 8 | frame[5]) == mp3::headerCrc(frame, *header));
        const auto tag = mp3::informationTag(frame, *header);
        ASSERT_TRUE(tag && tag->lame && tag->gapless);
        EXPECT_EQ(std::tuple(tag->frames, tag->bytes, tag->gapless->delay, tag->gapless->padding),
            std::tuple(1234, 567'890, 2345, 1678));
        const std::size_t at = 4 + mp3::sideInfoBytes(*header);
        EXPECT_EQ(std::string(frame.begin() + at, frame.begin() + at + 4), variable ? "Xing" : "Info");
        EXPECT_EQ(frame[at + 16 + 50], 7);
        EXPECT_TRUE(
            mp3::informationTag(std::span(frame).first(at + 156), *header)->lame); // also where it ends the frame
        const auto& lame = *tag->lame;
        EXPECT_EQ(std::string(lame.begin(), lame.begin() + 9),
            sourceEncoder.starts_with("LAME") ? sourceEncoder : "LAME3.100");
        EXPECT_EQ(std::count(lame.begin() + 11, lame.begin() + 19, 0), 8);
        EXPECT_EQ(lame[32] << 8 | lame[33], 0xBEEF);
        EXPECT_EQ(lame[34] << 8 | lame[35], mp3::crc16(std::span(frame).first(at + 120 + 34)));
    }
    const std::array<uint8_t, 9> check { '1', '2', '3', '4', '5', '6', '7', '8', '9' };
    EXPECT_EQ(mp3::crc16(check), 0xBB3D); // CRC-16/ARC of "123456789"
}

} // namespace
