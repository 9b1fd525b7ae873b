#include "platform/mci/output_factory.h"

#include "platform/mci/clock_paced_output.h"
#include "platform/mci/sdl_audio_output.h"

namespace mci {

std::unique_ptr<AudioOutput> openDefaultOutput(AudioFormat format, PcmSource& source) {
    if (auto sdl = SdlAudioOutput::open(format, source)) {
        return sdl;
    }
    return std::make_unique<ClockPacedOutput>(format, source);
}

void prepareDefaultOutput() {
    SdlAudioOutput::prepare();
}

} // namespace mci
