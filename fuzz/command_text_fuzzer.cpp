// Sends arbitrary command texts, one per line, to a device opened on a small MP3. Each line gets a reply area of
// 0 to 31 bytes (chosen by its bytes), allocated to the byte so that a reply written past its end is caught.

#include "fuzz_checks.h"
#include "platform/mci/command_parser.h"
#include "platform/mci/service.h"
#include "support/manual_audio.h"

#include <memory>
#include <numeric>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static test_support::ManualAudioClock clock;
    auto& service = mci::processService();
    check(service.send("open \"" TUNESHEAR_TEST_DATA_DIR "/mpeg2_16k_mono.mp3\" alias movie", nullptr, 0) == 0,
        "the fixture opens");
    for (std::string_view text(reinterpret_cast<const char*>(data), size); !text.empty();) {
        const std::string_view line = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(line.size() + 1, text.size()));
        const uint32_t length = std::accumulate(line.begin(), line.end(), 0U, [](uint32_t sum, char c) {
            return sum + static_cast<uint8_t>(c);
        }) % 32;
        const auto reply = std::make_unique<char[]>(length);
        std::fill_n(reply.get(), length, '\x7f');
        const auto parsed = mci::parseCommand(line);
        const bool isQuery
            = std::holds_alternative<mci::Command>(parsed) && std::get<mci::Command>(parsed).verb == mci::Verb::Status;
        const bool answered = service.send(line, reply.get(), length) == 0 && isQuery;
        const std::string_view area(reply.get(), length);
        check(answered ? length == 0 || area.find('\0') != area.npos : area.find_first_not_of('\x7f') == area.npos,
            "a reply ends inside its area; a failed command or one that is no query leaves the area alone");
        clock.advance(std::chrono::milliseconds(250));
    }
    service.send("close all", nullptr, 0);
    return 0;
}
