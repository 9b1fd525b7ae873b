// Sends arbitrary command texts to the media service, one per line, to a device opened on a small MP3 first.
// Each line gets a reply area of its own length (0 to 31 bytes, chosen by the line's bytes), allocated to the
// byte so that a reply written past its end is caught.

#include "fuzz_checks.h"
#include "platform/mci/command_parser.h"
#include "platform/mci/mci_errors.h"
#include "platform/mci/service.h"
#include "support/manual_audio.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <variant>

namespace {

using namespace std::chrono_literals;

constexpr uint32_t kLargestReplyArea = 31;
constexpr char kUnwritten = '\x7f';

uint32_t replyLengthFor(std::string_view line) {
    const auto sum = std::accumulate(
        line.begin(), line.end(), uint32_t { 0 }, [](uint32_t total, char c) { return total + uint8_t(c); });
    return sum % (kLargestReplyArea + 1);
}

bool isStatus(std::string_view line) {
    const auto parsed = mci::parseCommand(line);
    const auto* command = std::get_if<mci::Command>(&parsed);
    return command != nullptr && command->verb == mci::Verb::Status;
}

void sendLine(std::string_view line) {
    const uint32_t replyLength = replyLengthFor(line);
    const auto reply = std::make_unique<char[]>(replyLength);
    std::memset(reply.get(), kUnwritten, replyLength);
    const uint32_t result = mci::processService().send(line, reply.get(), replyLength);
    const std::string_view area(reply.get(), replyLength);
    if (result == mci::kNoError && isStatus(line)) {
        fuzz::check(replyLength == 0 || area.find('\0') != std::string_view::npos, "a reply is NUL-terminated");
    } else {
        fuzz::check(area.find_first_not_of(kUnwritten) == std::string_view::npos,
            "a failed command or one that is not a query leaves the reply area alone");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static test_support::ManualAudioClock clock;
    static const std::string openFixture
        = "open \"" TUNESHEAR_TEST_DATA_DIR "/mpeg2_16k_mono.mp3\" type mpegvideo alias movie";

    fuzz::check(mci::processService().send(openFixture, nullptr, 0) == mci::kNoError, "the fixture opens");
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        sendLine(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        clock.advance(250ms);
    }
    mci::processService().send("close all", nullptr, 0);
    return 0;
}
