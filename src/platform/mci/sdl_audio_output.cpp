// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/sdl_audio_output.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <chrono>
#include <dlfcn.h>
#include <future>
#include <optional>
#include <span>
#include <type_traits>
#include <variant>

namespace mci {

// The few SDL functions used, found in the library once it is loaded.
struct SdlLibrary {
    decltype(&SDL_SetHint) setHint = nullptr;
    decltype(&SDL_InitSubSystem) initSubSystem = nullptr;
    decltype(&SDL_OpenAudioDevice) openAudioDevice = nullptr;
    decltype(&SDL_CloseAudioDevice) closeAudioDevice = nullptr;
    decltype(&SDL_PauseAudioDevice) pauseAudioDevice = nullptr;
    decltype(&SDL_GetError) getError = nullptr;
};

namespace {

constexpr uint16_t kDeviceBufferFrames = 2048;
constexpr const char* kLibraryName = "libSDL2-2.0.so.0";

// SDL and the forty-odd libraries it brings (sound servers, codecs, X11, Wayland) are loaded at run time, with the
// audio part, rather than before main: the window shows and the first file is read without waiting for them.
std::optional<SdlLibrary> loadLibrary() {
    void* const handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return std::nullopt;
    }
    const auto symbol = [handle](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
        return function != nullptr;
    };
    SdlLibrary sdl;
    if (!symbol(sdl.setHint, "SDL_SetHint") || !symbol(sdl.initSubSystem, "SDL_InitSubSystem")
        || !symbol(sdl.openAudioDevice, "SDL_OpenAudioDevice") || !symbol(sdl.closeAudioDevice, "SDL_CloseAudioDevice")
        || !symbol(sdl.pauseAudioDevice, "SDL_PauseAudioDevice") || !symbol(sdl.getError, "SDL_GetError")) {
        return std::nullopt;
    }
    return sdl;
}

std::string noDevice(const SdlLibrary& sdl) {
    return std::string("no sound device can be opened (SDL: ") + sdl.getError() + ")";
}

// SDL's audio part, started once per process on a thread of its own (or, where no thread can be started, when the
// first output wants it), so that it overlaps reading the first file; a failed start is remembered so a machine
// without sound costs the attempt only once. SDL would otherwise take SIGINT and SIGTERM, where nobody has claimed
// them yet, and turn them into events nobody reads. Without it, the reason.
const std::shared_future<std::variant<SdlLibrary, std::string>>& audioSubsystemStart() {
    static const std::shared_future<std::variant<SdlLibrary, std::string>> started
        = std::async(std::launch::async | std::launch::deferred, []() -> std::variant<SdlLibrary, std::string> {
              auto sdl = loadLibrary();
              if (!sdl) {
                  return std::string("the SDL library (") + kLibraryName + ") is not installed";
              }
              sdl->setHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
              if (sdl->initSubSystem(SDL_INIT_AUDIO) != 0) {
                  return noDevice(*sdl);
              }
              return *sdl;
          }).share();
    return started;
}

} // namespace

void SdlAudioOutput::prepare() {
    audioSubsystemStart();
}

std::variant<std::unique_ptr<SdlAudioOutput>, std::string> SdlAudioOutput::open(AudioFormat format, PcmSource& source) {
    const auto& started = audioSubsystemStart().get();
    if (const auto* why = std::get_if<std::string>(&started)) {
        return *why;
    }
    const auto& sdl = std::get<SdlLibrary>(started);
    auto output = std::make_unique<SdlAudioOutput>(OpenOnly {}, sdl, format, source);
    SDL_AudioSpec wanted {};
    wanted.freq = format.sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<uint8_t>(format.channels);
    wanted.samples = kDeviceBufferFrames;
    wanted.callback = &SdlAudioOutput::callback;
    wanted.userdata = output.get();
    SDL_AudioSpec obtained {};
    output->device_ = sdl.openAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (output->device_ == 0) {
        return noDevice(sdl);
    }
    output->deviceBufferFrames_ = obtained.samples;
    return output;
}

SdlAudioOutput::SdlAudioOutput(OpenOnly, const SdlLibrary& sdl, AudioFormat format, PcmSource& source)
    : closeDevice_(sdl.closeAudioDevice)
    , pauseDevice_(sdl.pauseAudioDevice)
    , format_(format)
    , source_(source) { }

SdlAudioOutput::~SdlAudioOutput() {
    if (device_ != 0) {
        closeDevice_(device_);
    }
}

void SdlAudioOutput::start() {
    lastPullMicroseconds_ = 0;
    running_ = true;
    pauseDevice_(device_, 0);
}

// Pausing takes SDL's device lock, which the callback holds while it runs: afterwards no pull is in progress.
void SdlAudioOutput::halt() {
    pauseDevice_(device_, 1);
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
