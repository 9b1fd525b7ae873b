// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mci/output_factory.h"

#include "platform/mci/clock_paced_output.h"
#include "platform/mci/sdl_audio_output.h"

#include <cstdio>
#include <mutex>

namespace mci {

namespace {

struct Silence {
    std::mutex mutex;
    std::optional<std::string> why;
};

Silence& silence() {
    static Silence state;
    return state;
}

// The standard error hears it once, however many files play silently after it.
void sayOnceWhySilent(const std::string& reason) {
    Silence& state = silence();
    const std::lock_guard lock(state.mutex);
    if (!state.why) {
        state.why = "Tuneshear plays without sound: " + reason + ".";
        std::fprintf(stderr, "%s\n", state.why->c_str());
    }
}

} // namespace

std::unique_ptr<AudioOutput> openDefaultOutput(AudioFormat format, PcmSource& source) {
    auto sdl = SdlAudioOutput::open(format, source);
    if (auto* output = std::get_if<std::unique_ptr<SdlAudioOutput>>(&sdl)) {
        return std::move(*output);
    }
    sayOnceWhySilent(std::get<std::string>(sdl));
    return std::make_unique<ClockPacedOutput>(format, source);
}

void prepareDefaultOutput() {
    SdlAudioOutput::prepare();
}

std::optional<std::string> whySilent() {
    Silence& state = silence();
    const std::lock_guard lock(state.mutex);
    return state.why;
}

} // namespace mci
