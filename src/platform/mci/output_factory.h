#pragma once

#include "platform/mci/audio_output.h"

namespace mci {

// SDL2 sound where a device opens, otherwise the silent clock-paced output: SDL does not fall back by itself.
std::unique_ptr<AudioOutput> openDefaultOutput(AudioFormat format, PcmSource& source);

// Starts what openDefaultOutput needs in the background, so that it is ready sooner.
void prepareDefaultOutput();

} // namespace mci
