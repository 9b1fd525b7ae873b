// SPDX-License-Identifier: GPL-3.0-or-later
// Opens one MP3 through the media service, as the window's Open does, and prints its length in milliseconds. The
// benchmark times this whole process against a reference tool's.
// Usage: open_length FILE
#include "platform/mci/mci.h"

#include <array>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: open_length FILE\n");
        return 2;
    }
    const std::string open = std::string("open \"") + argv[1] + "\" type mpegvideo alias movie";
    if (const uint32_t error = mciSendStringA(open.c_str(), nullptr, 0, nullptr); error != 0) {
        std::fprintf(stderr, "%s: media error %u\n", argv[1], error);
        return 1;
    }
    std::array<char, 32> length {};
    mciSendStringA("status movie length", length.data(), length.size(), nullptr);
    std::printf("%s\n", length.data());
    mciSendStringA("close all", nullptr, 0, nullptr);
    return 0;
}
