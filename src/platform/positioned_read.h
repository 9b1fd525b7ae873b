// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {

std::optional<int64_t> sizeOf(int descriptor);

// Up to into.size() bytes of an open file from offset on, fewer where it ends or cannot be read. The descriptor's
// offset stays where it is, so that several threads may read at once.
std::size_t readAt(int descriptor, int64_t offset, std::span<uint8_t> into);

} // namespace platform
