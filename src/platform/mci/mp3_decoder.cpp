// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/mp3_decoder.h"

#include "mp3/frame_walk.h"
#include "platform/mci/mci_errors.h"
#include "platform/positioned_read.h"

#include <cstdio>
#include <mpg123.h>
#include <mutex>
#include <system_error>

namespace mci {

namespace {

// After a seek, layer III needs a few earlier frames to refill its bit reservoir; on low-rate files the
// library's default is too few and the first frames after a seek decode wrong.
constexpr long kFramesDecodedAheadOfSeek = 8;

// Real audio is a run of frames that follow each other back to back.
constexpr int kConsecutiveFramesRequired = 4;

// A decode error inside the file is damage to step over, not its end; this many failed reads in a row are.
constexpr int kFailedReadsBeforeGivingUp = 16;

// The library asks for a few bytes at a time, twice a frame; a buffer of this size turns that into few system
// calls and still stays in the processor's cache, which a larger one does not.
constexpr std::size_t kReadBufferBytes = 128 << 10;

void initialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

uint32_t checkFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        return kFileNotFound;
    }
    if (!std::filesystem::is_regular_file(status) || std::filesystem::file_size(path, error) == 0 || error) {
        return kInvalidFile;
    }
    return kNoError;
}

bool acceptsSixteenBitAtEveryRate(mpg123_handle* handle) {
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    if (mpg123_format_none(handle) != MPG123_OK) {
        return false;
    }
    for (size_t i = 0; i < rateCount; ++i) {
        if (mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) {
            return false;
        }
    }
    return true;
}

bool configure(mpg123_handle* handle) {
    return mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) == MPG123_OK
        && mpg123_param(handle, MPG123_PREFRAMES, kFramesDecodedAheadOfSeek, 0) == MPG123_OK
        && mpg123_param(handle, MPG123_RESYNC_LIMIT, -1, 0) == MPG123_OK && acceptsSixteenBitAtEveryRate(handle);
}

mpg123_ssize_t readFile(void* file, void* buffer, size_t count) {
    const size_t got = std::fread(buffer, 1, count, static_cast<std::FILE*>(file));
    return got == 0 && std::ferror(static_cast<std::FILE*>(file)) ? -1 : static_cast<mpg123_ssize_t>(got);
}

off_t seekFile(void* file, off_t offset, int whence) {
    auto* const stream = static_cast<std::FILE*>(file);
    return fseeko(stream, offset, whence) == 0 ? ftello(stream) : -1;
}

Mp3Decoder::File openBuffered(const std::filesystem::path& path) {
    Mp3Decoder::File file(std::fopen(path.c_str(), "rb"), { std::make_unique_for_overwrite<char[]>(kReadBufferBytes) });
    if (file && std::setvbuf(file.get(), file.get_deleter().buffer.get(), _IOFBF, kReadBufferBytes) != 0) {
        file.reset();
    }
    return file;
}

} // namespace

void Mp3Decoder::FileCloser::operator()(std::FILE* file) const {
    std::fclose(file);
}

void Mp3Decoder::HandleDeleter::operator()(mpg123_handle_struct* handle) const {
    mpg123_close(handle);
    mpg123_delete(handle);
}

std::variant<std::unique_ptr<Mp3Decoder>, uint32_t> Mp3Decoder::open(const std::filesystem::path& path) {
    if (const uint32_t fileError = checkFile(path); fileError != kNoError) {
        return fileError;
    }
    initialiseLibraryOnce();
    int error = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &error));
    File file = openBuffered(path);
    const int descriptor = file ? fileno(file.get()) : -1;
    const auto size = platform::sizeOf(descriptor);
    const mp3::FileBytes bytes { size.value_or(0),
        [descriptor](int64_t offset, std::span<uint8_t> into) { return platform::readAt(descriptor, offset, into); } };
    // Junk bytes now and then look like an MPEG frame header, and the library will happily play them.
    if (!size || !mp3::firstRunOfFrames(bytes, kConsecutiveFramesRequired)) {
        return kInvalidFile;
    }
    // A tag that counts the whole stream gives the length a scan would find; a file cut short or damaged after it
    // was tagged has every frame counted.
    const bool tagCountsLength = mp3::tagCountsWholeStream(bytes);
    if (!handle || !configure(handle.get())
        || mpg123_replace_reader_handle(handle.get(), readFile, seekFile, nullptr) != MPG123_OK
        || mpg123_open_handle(handle.get(), file.get()) != MPG123_OK) {
        return kInvalidFile;
    }
    if (!tagCountsLength && mpg123_scan(handle.get()) != MPG123_OK) {
        return kInvalidFile;
    }
    const off_t lengthFrames = mpg123_length(handle.get());
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (lengthFrames <= 0 || mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK) {
        return kInvalidFile;
    }
    const int samplesPerFrame = mpg123_spf(handle.get()); // of the frame the format was read from
    if (samplesPerFrame <= 0 || mpg123_seek(handle.get(), 0, SEEK_SET) < 0) {
        return kInvalidFile;
    }
    const AudioFormat format { static_cast<int32_t>(rate), static_cast<int32_t>(channels) };
    return std::make_unique<Mp3Decoder>(
        Opened {}, std::move(file), std::move(handle), format, lengthFrames, samplesPerFrame);
}

Mp3Decoder::Mp3Decoder(
    Opened, File file, Handle handle, AudioFormat format, int64_t lengthFrames, int32_t samplesPerFrame)
    : file_(std::move(file))
    , handle_(std::move(handle))
    , format_(format)
    , lengthFrames_(lengthFrames)
    , samplesPerFrame_(samplesPerFrame) { }

Mp3Decoder::~Mp3Decoder() = default;

void Mp3Decoder::seek(int64_t frame) {
    mpg123_seek(handle_.get(), static_cast<off_t>(frame), SEEK_SET);
}

std::size_t Mp3Decoder::read(std::span<int16_t> samples) {
    const std::size_t bytesPerFrame = sizeof(int16_t) * static_cast<std::size_t>(format_.channels);
    const std::size_t capacity = samples.size() / format_.channels * bytesPerFrame;
    auto* const bytes = reinterpret_cast<unsigned char*>(samples.data());
    std::size_t filled = 0;
    int failedReads = 0;
    while (filled < capacity && failedReads < kFailedReadsBeforeGivingUp) {
        size_t done = 0;
        const int result = mpg123_read(handle_.get(), bytes + filled, capacity - filled, &done);
        filled += done;
        if (result == MPG123_DONE) {
            break;
        }
        const bool failed = result != MPG123_OK && result != MPG123_NEW_FORMAT;
        failedReads = failed && done == 0 ? failedReads + 1 : 0;
    }
    return filled / bytesPerFrame;
}

} // namespace mci
