#include "platform/mci/mci_errors.h"
#include "platform/mci/mpeg_video_device.h"
#include "support/mp3_fixtures.h"

#include <gtest/gtest.h>
#include <variant>
#include <vector>

namespace mci {
namespace {

// Like a sound card: each pull fills a buffer that is heard afterwards, and it keeps pulling after the end.
class BufferingOutput final : public AudioOutput {
public:
    BufferingOutput(AudioFormat format, PcmSource& source)
        : format_(format)
        , source_(source) { }
    void start() override { running_ = true; }
    void halt() override { running_ = false; }
    int64_t bufferedFrames() const override { return running_ ? buffered_ : 0; }

    void pull(int64_t frames) {
        std::vector<int16_t> samples(static_cast<std::size_t>(frames * format_.channels));
        source_.fill(samples);
        buffered_ = frames;
    }
    void hearEverything() { buffered_ = 0; }

private:
    const AudioFormat format_;
    PcmSource& source_;
    bool running_ = false;
    int64_t buffered_ = 0;
};

class DeviceWithBufferingOutput : public testing::Test {
protected:
    DeviceWithBufferingOutput() {
        auto opened = MpegVideoDevice::open(
            test_support::testDataFile("mpeg2_16k_mono.mp3"), {}, [this](AudioFormat format, PcmSource& source) {
                auto made = std::make_unique<BufferingOutput>(format, source);
                output = made.get();
                return made;
            });
        device = std::move(std::get<std::unique_ptr<MpegVideoDevice>>(opened));
    }

    std::unique_ptr<MpegVideoDevice> device;
    BufferingOutput* output = nullptr;
};

// A pause drops the sound still in the buffer, unheard; resume plays it again.
TEST_F(DeviceWithBufferingOutput, PositionIsWhatWasHeardNotWhatWasHandedOverAlsoAcrossAPause) {
    ASSERT_EQ(device->play(std::nullopt), kNoError);
    output->pull(16'000); // one second at 16 kHz
    output->pull(8'000);
    EXPECT_EQ(device->positionMilliseconds(), 1000);
    output->hearEverything();
    EXPECT_EQ(device->positionMilliseconds(), 1500);

    output->pull(8'000);
    ASSERT_EQ(device->pause(), kNoError);
    EXPECT_EQ(device->positionMilliseconds(), 1500);
    device->resume();
    output->pull(8'000);
    output->hearEverything();
    EXPECT_EQ(device->positionMilliseconds(), 2000);
}

TEST_F(DeviceWithBufferingOutput, EndsOnceTheOutputAsksForMoreAfterTheLastSound) {
    device->play(std::nullopt);
    output->pull(40'000);
    output->pull(16'000); // holds the last 0.5 s and silence after it
    EXPECT_EQ(device->mode(), Mode::Playing);
    output->pull(4'000); // the output keeps pulling: silence only
    EXPECT_EQ(device->mode(), Mode::Stopped);
    EXPECT_EQ(device->positionMilliseconds(), device->lengthMilliseconds());
}

} // namespace
} // namespace mci
