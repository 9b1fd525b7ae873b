// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/positioned_read.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<int64_t> sizeOf(int descriptor) {
    struct stat status { };
    return ::fstat(descriptor, &status) == 0 ? std::optional<int64_t>(status.st_size) : std::nullopt;
}

std::size_t readAt(int descriptor, int64_t offset, std::span<uint8_t> into) {
    std::size_t got = 0;
    while (got < into.size()) {
        const ssize_t read
            = ::pread(descriptor, into.data() + got, into.size() - got, offset + static_cast<int64_t>(got));
        if (read <= 0) {
            break;
        }
        got += static_cast<std::size_t>(read);
    }
    return got;
}

} // namespace platform
