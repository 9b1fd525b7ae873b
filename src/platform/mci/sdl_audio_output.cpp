#include "platform/mci/sdl_audio_output.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <chrono>
#include <span>

namespace mci {

namespace {

constexpr uint16_t kDeviceBufferFrames = 2048;

// SDL's audio part, started once per process when the first output wants it; a failed start is remembered so
// a machine without sound costs the attempt only once. SDL would otherwise take SIGINT and SIGTERM, where nobody
// has claimed them yet, and turn them into events nobody reads.
bool audioSubsystemReady() {
    static const bool ready = [] {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }();
    return ready;
}

} // namespace

std::unique_ptr<SdlAudioOutput> SdlAudioOutput::open(AudioFormat format, PcmSource& source) {
    if (!audioSubsystemReady()) {
        return nullptr;
    }
    auto output = std::make_unique<SdlAudioOutput>(OpenOnly {}, format, source);
    SDL_AudioSpec wanted {};
    wanted.freq = format.sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<uint8_t>(format.channels);
    wanted.samples = kDeviceBufferFrames;
    wanted.callback = &SdlAudioOutput::callback;
    wanted.userdata = output.get();
    SDL_AudioSpec obtained {};
    output->device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (output->device_ == 0) {
        return nullptr;
    }
    output->deviceBufferFrames_ = obtained.samples;
    return output;
}

SdlAudioOutput::SdlAudioOutput(OpenOnly, AudioFormat format, PcmSource& source)
    : format_(format)
    , source_(source) { }

SdlAudioOutput::~SdlAudioOutput() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
    }
}

void SdlAudioOutput::start() {
    lastPullMicroseconds_ = 0;
    running_ = true;
    SDL_PauseAudioDevice(device_, 0);
}

// Pausing takes SDL's device lock, which the callback holds while it runs: afterwards no pull is in progress.
void SdlAudioOutput::halt() {
    SDL_PauseAudioDevice(device_, 1);
    running_ = false;
    lastPullMicroseconds_ = 0;
}

// What the last callback handed over is heard over the following buffer's worth of time.
int64_t SdlAudioOutput::bufferedFrames() const {
    const int64_t lastPull = lastPullMicroseconds_;
    if (!running_ || lastPull == 0) {
        return 0;
    }
    const int64_t heardSince = (nowMicroseconds() - lastPull) * format_.sampleRate / 1'000'000;
    return std::clamp<int64_t>(deviceBufferFrames_ - heardSince, 0, deviceBufferFrames_);
}

void SdlAudioOutput::callback(void* self, uint8_t* stream, int length) {
    auto& output = *static_cast<SdlAudioOutput*>(self);
    output.source_.fill(std::span(reinterpret_cast<int16_t*>(stream), static_cast<std::size_t>(length) / 2));
    output.lastPullMicroseconds_ = nowMicroseconds();
}

int64_t SdlAudioOutput::nowMicroseconds() {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::microseconds>(sinceEpoch).count();
}

} // namespace mci
