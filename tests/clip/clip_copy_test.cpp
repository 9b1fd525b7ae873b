// SPDX-License-Identifier: GPL-3.0-or-later
#include "clip/clip_copy.h"
#include "clip/clip_frames.h"
#include "mp3/mpeg_frame.h"
#include "mp3/sample_time.h"
#include "support/mp3_fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <taglib/apetag.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

namespace {

using test_support::contentsOf;
using test_support::writeFile;

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// Every byte tells where it sits, so a clip shifted by any amount shows at once.
QByteArray numberedBytes(int64_t length) {
    QByteArray bytes(length, '\0');
    for (int64_t index = 0; index < length; ++index) {
        bytes[static_cast<qsizetype>(index)] = static_cast<char>(((index + 1) * 2654435761ULL) >> 13);
    }
    return bytes;
}

QString filesIn(const QTemporaryDir& folder) {
    return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).join(' ');
}

// The positions count the tags' bytes in front; every product, sum and difference stays in 32 bits, and a start
// outside the audio is refused, as is a selection without room for the last chunk's 4097 bytes.
TEST(ClipRange, ScalesBothMarksAfterTheLeadingTagsAndFailsOnOverflowOrOutsideTheAudio) {
    constexpr mp3::AudioRange kUntagged { 0, kInt32Max };
    using Range = std::pair<int32_t, int32_t>;
    const std::tuple<mp3::AudioRange, int32_t, int32_t, int32_t, std::optional<Range>> rows[] {
        { kUntagged, 16, 1000, 2000, Range { 16000, 32000 } },
        { { 300'010, 48000 }, 16, 1, 2000, Range { 300'026, 332'010 } },
        { { 300'010, 48000 }, 16, 3000, 3001, Range { 348'010, 348'026 } },
        { kUntagged, 1, 1, kInt32Max - 4096, Range { 1, kInt32Max - 4096 } },
        { kUntagged, 1'000'000, 1, 3'000, std::nullopt }, { kUntagged, 1'000'000, 3'000, 4'000, std::nullopt },
        { { 2, kInt32Max }, 1, 1, kInt32Max - 1, std::nullopt },
        { kUntagged, 2, -1'000'000'000, 1'000'000'000, std::nullopt },
        { kUntagged, 1, 1, kInt32Max - 4095, std::nullopt }, { { 0, 48000 }, 16, 3001, 4000, std::nullopt },
        { { 300'010, 48000 }, 0, 1, 2000, std::nullopt }
    };
    for (const auto& [audio, rate, start, end, expected] : rows) {
        const auto range = clip::clipRange(audio, rate, start, end);
        EXPECT_EQ(range ? std::optional(Range(range.value->startPos, range.value->endPos)) : std::nullopt, expected)
            << rate << " x " << start << ".." << end;
    }
}

// A stream of 100 frames of 417 bytes after 1000 bytes of tags, each of whose sound lies `reservoir` bytes back
// in the frames before; from the 50th on, 3000 bytes of junk come first, or the bit rate alternates.
mp3::FrameList frames(const char* header, int reservoir, int soundBytes, std::optional<mp3::Gapless> gapless,
    bool junk = false, bool variable = false) {
    const QByteArray bytes = QByteArray::fromHex(header);
    mp3::FrameList list { { 1000, 50'000 },
        *mp3::parseFrameHeader(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), 4)), {}, {} };
    if (gapless) {
        list.tag = mp3::InformationTag { mp3::InformationTag::Kind::Xing, 100, 0, {}, gapless };
    }
    for (int frame = 0; frame < 100; ++frame) {
        const int64_t offset = 1000 + 417 * frame + (junk && frame >= 50 ? 3000 : 0);
        list.frames.push_back({ offset, 417, variable && frame % 2 ? 96'000 : 128'000, soundBytes, reservoir });
    }
    return list;
}

// Layer III: from the frames the start mark's frame carries on, the first written anew where it borrows (else from
// earlier frames), behind a silent frame where the decoder's latency reaches before the file; to one frame after the
// end mark's, with the delay and padding that play the marks exactly. Other layers: whole frames, by byte arithmetic
// at one bit rate, by the frames' times where it varies.
TEST(ClipFrames, HoldTheMarkedSamplesOrWholeFramesAroundTheMarks) {
    constexpr const char* kMpeg1 = "fffb9064";
    constexpr const char* kLayer2 = "fffd9064";
    const clip::ClipRange arithmetic { 17'001, 33'001 };
    const clip::ClipRange inJunk { 23'350, 33'001 };
    const clip::ClipRange onAFrame { 17'681, 33'001 };
    using Pick = std::tuple<std::size_t, std::size_t, int, int, std::string>;
    const std::tuple<const char*, mp3::FrameList, clip::ClipRange, int32_t, int32_t, std::optional<Pick>> rows[] {
        { "no reservoir", frames(kMpeg1, 0, 381, {}), arithmetic, 1000, 2000, Pick { 37, 77, 947, 2185, "" } },
        { "end on a frame's first sample", frames(kMpeg1, 0, 381, {}), arithmetic, 1000, 1280,
            Pick { 37, 49, 947, 1681, "" } },
        { "reservoir of two frames", frames(kMpeg1, 500, 381, {}), arithmetic, 1000, 2000,
            Pick { 37, 77, 947, 2185, "anew" } },
        { "borrowing from before the file", frames(kMpeg1, 500, 381, {}), arithmetic, 60, 2000,
            Pick { 0, 77, 2117, 2185, "" } },
        { "no bit rate holds the first frame", frames(kMpeg1, 511, 1000, {}), arithmetic, 1000, 2000,
            Pick { 36, 77, 2099, 2185, "" } },
        { "source delay and padding", frames(kMpeg1, 0, 381, mp3::Gapless { 576, 1000 }), arithmetic, 1000, 2000,
            Pick { 38, 78, 900, 2232, "" } },
        { "xing tag without a lame extension",
            [] {
                auto list = frames(kMpeg1, 0, 381, {});
                list.tag = mp3::InformationTag {};
                return list;
            }(),
            arithmetic, 1000, 2000, Pick { 37, 78, 1476, 2808, "" } },
        { "end past the last frame", frames(kMpeg1, 0, 381, mp3::Gapless { 576, 1000 }), arithmetic, 1000, 99000,
            Pick { 38, 99, 900, 1000, "" } },
        { "start before the decoder's latency", frames(kMpeg1, 500, 381, {}), arithmetic, 5, 2000,
            Pick { 0, 77, 844, 2185, "silence" } },
        { "mpeg-2", frames("fff39064", 0, 381, {}), arithmetic, 1000, 2000, Pick { 36, 77, 785, 1357, "" } },
        { "layer II", frames(kLayer2, 0, 0, {}), arithmetic, 1000, 2000, Pick { 39, 77, -1, -1, "" } },
        { "layer II, start on a frame", frames(kLayer2, 0, 0, {}), onAFrame, 1000, 2000, Pick { 40, 79, -1, -1, "" } },
        { "layer II, start in junk", frames(kLayer2, 0, 0, {}, true), inJunk, 1000, 2000, Pick { 50, 75, -1, -1, "" } },
        { "layer II, variable", frames(kLayer2, 0, 0, {}, false, true), arithmetic, 1000, 2000,
            Pick { 38, 76, -1, -1, "" } },
        { "layer II, variable, end past the last frame", frames(kLayer2, 0, 0, {}, false, true), arithmetic, 1000,
            99000, Pick { 38, 99, -1, -1, "" } },
        { "layer II, variable, start past the last frame", frames(kLayer2, 0, 0, {}, false, true), arithmetic, 9000,
            99000, std::nullopt },
        { "no frames", mp3::FrameList {}, arithmetic, 1000, 2000, std::nullopt },
    };
    for (const auto& [name, list, range, start, end, expected] : rows) {
        const auto choice = clip::chooseFrames(list, range, start, end);
        ASSERT_EQ(choice.value.has_value(), expected.has_value()) << name;
        if (expected) {
            const auto& [first, last, gapless, silence, anew] = *choice.value;
            const auto [delay, padding] = gapless.value_or(mp3::Gapless { -1, -1 });
            EXPECT_EQ(Pick(first, last, delay, padding, silence ? "silence" : anew ? "anew" : ""), *expected) << name;
        }
    }
}

// What TagLib reads of a file's tags: the ID3v2 tag's version and frames, the APEv2 items, the ID3v1 title.
std::string tagsOf(const QString& path) {
    TagLib::MPEG::File file(QFile::encodeName(path).constData(), false);
    std::string seen = file.hasID3v2Tag() ? "v2." + std::to_string(file.ID3v2Tag()->header()->majorVersion()) : "";
    for (const auto* frame : file.hasID3v2Tag() ? file.ID3v2Tag()->frameList() : TagLib::ID3v2::FrameList()) {
        seen += " " + std::string(frame->frameID().data(), 4) + "=" + frame->toString().to8Bit(true);
    }
    for (const auto& [key, item] : file.hasAPETag() ? file.APETag()->itemListMap() : TagLib::APE::ItemListMap()) {
        seen += " APE:" + item.key().to8Bit(true) + "=" + item.toString().to8Bit(true);
    }
    return seen + (file.hasID3v1Tag() ? " v1:" + file.ID3v1Tag()->title().to8Bit(true) : "");
}

// Saved from real files between tags made here, or none: the clip holds the chosen frames behind an information
// frame counting them alone and plays the marked samples exactly (MPEG-2 within the library's rounding), also from a
// soft passage that borrows far back, with CRCs, up to the end. Tags go across in their kind and version (ID3v2.2 as
// 2.3) less what describes the whole source, also into a clip of the clip.
TEST(ClipFrames, SavedClipPlaysExactlyTheMarkedSamplesBetweenTheSourcesTags) {
    const QTemporaryDir folder;
    const auto save = [](const QString& source, const QString& target, int32_t lengthMs, int32_t start, int32_t end) {
        const auto clip = clip::clipOfSelection(source, lengthMs, start, end);
        return clip && clip::copyClip(source, target, *clip.value, [](int64_t) {}) ? clip.value : std::nullopt;
    };
    const auto text = [](const QByteArray& value) { return '\0' + value; };
    const QByteArray jpeg = "\xff\xd8\xff\xe0" + QByteArray("JFIF").repeated(500);
    const std::vector<std::pair<QByteArray, QByteArray>> frames { { "TIT2", text("Title") },
        { "APIC", QByteArray("\0image/jpeg\0\3\0", 14) + jpeg }, { "TLEN", text("3000") }, { "PCNT", "\7\7\7\7" },
        { "TXXX", text("REPLAYGAIN_track_gain") + text("-3") }, { "TXXX", text("Mood") + text("calm") },
        { "COMM", QByteArray("\0engiTunNORM\0 1", 16) }, { "COMM", QByteArray("\0eng\0a comment", 15) },
        { "PRIV", "owner" + text("\1") }, { "XYZW", "unknown" } };
    const QByteArray v23 = test_support::id3v2Tag(3, frames), v24 = test_support::id3v2Tag(4, frames, '\xc0');
    const QByteArray v22 = test_support::id3v2Tag(
        2, { { "TT2", text("Two") }, { "PIC", QByteArray("\0JPG\3\0", 6) + jpeg }, { "TLE", text("3000") } });
    QByteArray badSize = v23, pastTheEnd = v23.first(6) + '\x7f' + v23.sliced(7);
    badSize[9] = static_cast<char>(badSize[9] | 0x80);
    TagLib::APE::Tag apeTag;
    apeTag.addValue("Artist", "Ape");
    apeTag.addValue("REPLAYGAIN_TRACK_GAIN", "-3");
    apeTag.addValue("mp3gain_minmax", "1");
    const QByteArray ape(apeTag.render().data(), apeTag.render().size());
    const QByteArray id3v1 = "TAG" + QByteArray("Ten").leftJustified(125, '\0');
    const std::string kept = " TIT2=Title APIC=[image/jpeg] TXXX=[Mood] calm COMM=a comment PRIV=owner XYZW=";
    constexpr const char* kCbr = "cbr_128k_44k_stereo.mp3";
    constexpr const char* kNoTag = "vbr_no_tag_44k_stereo.mp3";
    struct Row {
        const char* name;
        QByteArray front, back;
        std::string tags;
        int32_t start = 1000, end = 2000;
    };
    const Row rows[] { { kCbr, {}, {}, "" }, { kCbr, {}, {}, "", 0, 1000 }, { "mpeg2_16k_mono.mp3", {}, {}, "" },
        { "vbr_lame_tag_44k_stereo.mp3", {}, {}, "" }, { kNoTag, {}, {}, "" }, { kNoTag, {}, {}, "", 0, 1000 },
        { kNoTag, {}, {}, "", 2960, 3020 }, { "soft_vbr_44k_stereo.mp3", {}, {}, "", 1234, 2345 },
        { "crc_96k_44k_mono.mp3", {}, {}, "" }, { kCbr, badSize, id3v1, " v1:Ten" },
        { "id3v2_20k_cbr_64k_mono.mp3", {}, {},
            "v2.3 TSSE=LAME 64bits version 3.100 (http://lame.sf.net) TIT2=Rising tone TPE1=Tuneshear tests v1:Rising "
            "tone" },
        { kCbr, v23, {}, "v2.3" + kept }, { kCbr, v24, {}, "v2.4" + kept },
        { kCbr, v22, {}, "v2.3 TIT2=Two APIC=[image/jpeg]" }, { kCbr, {}, ape, " APE:Artist=Ape" },
        { kCbr, v23, ape + id3v1, "v2.3" + kept + " APE:Artist=Ape v1:Ten" }, { kCbr, pastTheEnd, {}, "" } };
    const QString source = folder.filePath("source.mp3"), target = folder.filePath("clip.mp3");
    for (const auto& [name, front, back, tags, start, end] : rows) {
        SCOPED_TRACE(testing::Message() << name << " " << start << ".." << end << " with tags: " << tags);
        ASSERT_TRUE(writeFile(source, front + contentsOf(test_support::testDataFile(name)) + back));
        const auto clip = save(source, target, 3000, start, end);
        ASSERT_TRUE(clip);
        EXPECT_EQ(tagsOf(target), tags);
        const auto saved = clip::framesOfFile(target);
        ASSERT_TRUE(saved);
        const QByteArray chosen = contentsOf(source).mid(clip->from, clip->to - clip->from);
        EXPECT_TRUE(
            contentsOf(target).mid(saved.value->audio.leadingBytes, saved.value->audio.audioBytes).endsWith(chosen));
        EXPECT_TRUE(mp3::tagCountsWholeStream(test_support::fileBytes(contentsOf(target).toStdString())));
        EXPECT_TRUE(saved.value->tag && saved.value->tag->gapless);
        // The table of contents leads to each hundredth of the frames or just before (its tag where LAME puts it).
        const QByteArray contents = contentsOf(target).sliced(
            saved.value->audio.leadingBytes + mp3::kFrameHeaderBytes + mp3::sideInfoBytes(saved.value->stream) + 16);
        const auto& savedFrames = saved.value->frames;
        for (std::size_t percent = 0; percent < 100; ++percent) {
            const int64_t at = saved.value->audio.leadingBytes
                + static_cast<uint8_t>(contents[percent]) * saved.value->tag->bytes / 256;
            const auto reached = std::upper_bound(savedFrames.begin(), savedFrames.end(), at,
                [](int64_t at, const mp3::AudioFrame& frame) { return at < frame.offset; });
            EXPECT_NEAR(reached - savedFrames.begin(), percent * savedFrames.size() / 100, 1) << percent;
        }
        ASSERT_TRUE(save(target, folder.filePath("clip of clip.mp3"), end - start, (end - start) / 10, end - start));
        EXPECT_EQ(tagsOf(folder.filePath("clip of clip.mp3")), tags);
        const mp3::FrameHeader stream = saved.value->stream;
        const auto played = test_support::decodedSamples(target.toStdString());
        const auto sampleAt = [&stream](int32_t mark) { return mp3::millisecondsToFrames(mark, stream.sampleRate); };
        const auto marked = test_support::decodedSamples(test_support::testDataFile(name), sampleAt(start));
        const int rounding = stream.version == 3 ? 0 : 1;
        EXPECT_EQ(played.size(), static_cast<std::size_t>(sampleAt(end) - sampleAt(start)) * (stream.mono() ? 1 : 2));
        EXPECT_TRUE(std::equal(played.begin(), played.end(), marked.begin(),
            [rounding](int16_t clip, int16_t source) { return std::abs(clip - source) <= rounding; }));
    }
}

// A source cut short, or rewritten in place, after the first block: no clip, tags and all, and an older one stays as
// it was.
TEST(ClipCopy, FailsAndLeavesNothingWhenTheSourceChangesMeanwhile) {
    const QTemporaryDir folder;
    const QString sourcePath = folder.filePath("source.mp3");
    const QByteArray source = numberedBytes(3 << 20);
    const auto rewriteInPlace = [&] {
        QFile file(sourcePath);
        file.open(QIODevice::ReadWrite);
        file.write("rewritten");
        file.flush();
        file.setFileTime(
            file.fileTime(QFileDevice::FileModificationTime).addSecs(2), QFileDevice::FileModificationTime);
    };
    const std::tuple<std::function<void()>, std::optional<QByteArray>> rows[] {
        { [&] { QFile::resize(sourcePath, 1 << 20); }, std::nullopt }, // where the next block would start
        { [&] { QFile::resize(sourcePath, 3 << 19); }, "an older clip" }, { rewriteInPlace, std::nullopt },
        { rewriteInPlace, "an older clip" }
    };
    for (const auto& [change, olderClip] : rows) {
        ASSERT_TRUE(writeFile(sourcePath, source));
        QFile::remove(folder.filePath("clip.mp3"));
        if (olderClip) {
            writeFile(folder.filePath("clip.mp3"), *olderClip);
        }
        bool changed = false;
        const auto saved = clip::copyClip(sourcePath, folder.filePath("clip.mp3"),
            { 0, source.size(), {}, { { 0x49, 0x44, 0x33 }, { 0x54 } } }, [&](int64_t) {
                if (!std::exchange(changed, true)) {
                    change();
                }
            });
        EXPECT_EQ(saved.failure.kind, clip::FailureKind::SourceChanged);
        EXPECT_EQ(filesIn(folder), olderClip ? "clip.mp3 source.mp3" : "source.mp3");
        EXPECT_EQ(contentsOf(folder.filePath("clip.mp3")), olderClip.value_or(QByteArray()));
    }
}

// A name as long as the folder allows, with a file under it or not; a file that appears under the name while the
// clip is written is replaced only after a yes. No temporary file stays behind.
TEST(ClipCopy, PutsTheClipUnderAnyNameAndReplacesAFileThatAppearedOnlyWhenAllowed) {
    const QByteArray source = numberedBytes(48000);
    const std::tuple<int, bool, bool, bool> rows[] { { 255, false, false, false }, { 255, true, false, true },
        { 8, false, true, false }, { 8, false, true, true } };
    for (const auto& [nameLength, there, appears, replace] : rows) {
        SCOPED_TRACE(testing::Message() << nameLength << (there ? " there" : "") << (appears ? " appears" : ""));
        const QTemporaryDir folder;
        ASSERT_TRUE(writeFile(folder.filePath("source.mp3"), source));
        const QString name = QString(nameLength - 4, 'n') + ".mp3";
        const QString target = folder.filePath(name);
        if (there) {
            writeFile(target, "older");
        }
        int asked = 0;
        const auto saved = clip::copyClip(
            folder.filePath("source.mp3"), target, { 0, 12289, {} },
            [&](int64_t) { appears && !QFile::exists(target) && writeFile(target, "appeared"); },
            [&] { return ++asked, replace; });
        EXPECT_EQ(asked, there || appears ? 1 : 0);
        EXPECT_TRUE(saved || saved.failure.kind == clip::FailureKind::TargetKept);
        EXPECT_EQ(contentsOf(target), replace || !(there || appears) ? source.first(12289) : "appeared");
        EXPECT_EQ(filesIn(folder), name + " source.mp3");
    }
    // Saved over a link, the clip goes into the file it leads to, which keeps its permissions.
    const QTemporaryDir folder;
    ASSERT_TRUE(writeFile(folder.filePath("source.mp3"), source) && writeFile(folder.filePath("real.mp3"), "older"));
    QFile::setPermissions(folder.filePath("real.mp3"), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QFile::link(folder.filePath("real.mp3"), folder.filePath("link.mp3"));
    EXPECT_TRUE(
        clip::copyClip(folder.filePath("source.mp3"), folder.filePath("link.mp3"), { 0, 100, {} }, [](int64_t) {}));
    EXPECT_EQ(QFileInfo(folder.filePath("link.mp3")).symLinkTarget(), folder.filePath("real.mp3"));
    EXPECT_EQ(contentsOf(folder.filePath("real.mp3")), source.first(100));
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(folder.filePath("real.mp3").toStdString()).permissions(),
        perms::owner_read | perms::owner_write | perms::group_read);
    const auto before = clip::copyClip(folder.filePath("source.mp3"), folder.filePath("x.mp3"), { -5, 9, {} }, {});
    EXPECT_EQ(before.failure.figure, -4); // the byte the message names, counted from 1
}

} // namespace
