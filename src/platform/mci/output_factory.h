// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/mci/audio_output.h"

#include <optional>
#include <string>

namespace mci {

// SDL2 sound where a device opens, otherwise the silent clock-paced output: SDL does not fall back by itself. The
// first fall back says why on the standard error.
std::unique_ptr<AudioOutput> openDefaultOutput(AudioFormat format, PcmSource& source);

// The line saying why openDefaultOutput has played silently, once it has; nothing while sound works.
std::optional<std::string> whySilent();

// Starts what openDefaultOutput needs in the background, so that it is ready sooner.
void prepareDefaultOutput();

} // namespace mci
