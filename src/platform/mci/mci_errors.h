// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// Error numbers of the media command service. They keep the values that media-control callers know.
namespace mci {

inline constexpr uint32_t kNoError = 0;
inline constexpr uint32_t kUnrecognizedKeyword = 259;
inline constexpr uint32_t kUnrecognizedCommand = 261;
inline constexpr uint32_t kDeviceNotOpen = 263;
inline constexpr uint32_t kBadInteger = 270;
inline constexpr uint32_t kMissingParameter = 273;
inline constexpr uint32_t kFileNotFound = 275;
inline constexpr uint32_t kOutOfRange = 282;
inline constexpr uint32_t kDuplicateAlias = 289;
inline constexpr uint32_t kInvalidFile = 296;
inline constexpr uint32_t kNotApplicableInMode = 302;

} // namespace mci
