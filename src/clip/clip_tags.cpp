// SPDX-License-Identifier: GPL-3.0-or-later
#include "clip/clip_tags.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <string_view>
#include <taglib/apetag.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfilestream.h>

namespace clip {
namespace {

// The length, time codes, seek and position points, chapters, the play counter and volume adjustment of the source.
constexpr std::array<std::string_view, 15> kWholeSourceFrames { "TLEN", "ETCO", "MLLT", "SYTC", "SYLT", "SEEK", "ASPI",
    "POSS", "CHAP", "CTOC", "PCNT", "RVA2", "RVAD", "EQU2", "EQUA" };

constexpr long kId3v1Bytes = 128;

// What other programs note of the source's loudness and of the samples a gapless player drops at its two ends.
bool isLoudnessOrGaplessNote(const TagLib::String& name) {
    const TagLib::String upper = name.upper();
    return upper.startsWith("REPLAYGAIN_") || upper.startsWith("MP3GAIN_") || upper == "ITUNSMPB" || upper == "ITUNNORM"
        || upper == "ITUNPGAP";
}

bool describesWholeSource(const TagLib::ID3v2::Frame& frame) {
    const TagLib::ByteVector id = frame.frameID();
    if (std::find(kWholeSourceFrames.begin(), kWholeSourceFrames.end(), std::string_view(id.data(), id.size()))
        != kWholeSourceFrames.end()) {
        return true;
    }
    if (const auto* text = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame*>(&frame)) {
        return isLoudnessOrGaplessNote(text->description());
    }
    if (const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(&frame)) {
        return isLoudnessOrGaplessNote(comment->description());
    }
    return false;
}

std::vector<uint8_t> bytesOf(const TagLib::ByteVector& bytes) {
    return { bytes.begin(), bytes.end() };
}

// A tag whose size runs past the end of the file is cut short: TagLib would take the audio behind it for its frames.
std::vector<uint8_t> id3v2Tag(TagLib::ID3v2::Tag& tag, long fileBytes) {
    if (tag.header()->completeTagSize() > static_cast<unsigned long>(fileBytes)) {
        return {};
    }
    for (TagLib::ID3v2::Frame* frame : TagLib::ID3v2::FrameList(tag.frameList())) {
        if (describesWholeSource(*frame)) {
            tag.removeFrame(frame);
        }
    }
    if (tag.frameList().isEmpty()) {
        return {};
    }
    return bytesOf(tag.render(tag.header()->majorVersion() == 4 ? TagLib::ID3v2::v4 : TagLib::ID3v2::v3));
}

std::vector<uint8_t> apeTag(TagLib::APE::Tag& tag) {
    std::vector<TagLib::String> notes;
    for (const auto& [key, item] : tag.itemListMap()) {
        if (isLoudnessOrGaplessNote(key)) {
            notes.push_back(key);
        }
    }
    for (const TagLib::String& key : notes) {
        tag.removeItem(key);
    }
    return tag.itemListMap().isEmpty() ? std::vector<uint8_t>() : bytesOf(tag.render());
}

// Nothing in an ID3v1 tag describes the whole source, so its bytes go across as they are: rendered anew, a comment of
// 29 or 30 characters would lose its end.
std::vector<uint8_t> id3v1Tag(TagLib::MPEG::File& file) {
    file.seek(-kId3v1Bytes, TagLib::File::End);
    return bytesOf(file.readBlock(kId3v1Bytes));
}

} // namespace

ClipTags clipTagsOf(const QString& sourcePath) {
    TagLib::FileStream stream(QFile::encodeName(sourcePath).constData(), true);
    if (!stream.isOpen()) {
        return {};
    }
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid()) {
        return {};
    }
    ClipTags tags;
    if (file.hasID3v2Tag()) {
        tags.front = id3v2Tag(*file.ID3v2Tag(), file.length());
    }
    if (file.hasAPETag()) {
        tags.back = apeTag(*file.APETag());
    }
    if (file.hasID3v1Tag()) {
        const auto id3v1 = id3v1Tag(file);
        tags.back.insert(tags.back.end(), id3v1.begin(), id3v1.end());
    }
    return tags;
}

} // namespace clip
