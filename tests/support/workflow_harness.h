#pragma once

#include "app/form1.h"
#include "support/manual_audio.h"
#include "support/window_fakes.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Texts in test failures read as text.
void PrintTo(const QString& text, std::ostream* out);

namespace test_support {

// A real Form1 on the real media service, with time under the test's control. Every playing device hears sound
// only as virtual time passes, and the time of day moves with it, so the window behaves as in real time but
// exactly and at once. Time passes in pass(), in the media waits (timeOut) and in sleeps; T ticks every Interval
// of that time while it is enabled (the real timer never fires). Dialogs and message boxes are scripted through
// fakes(); every media command text is recorded in commands() on its way to the service.
class WorkflowHarness {
public:
    WorkflowHarness();
    ~WorkflowHarness();
    WorkflowHarness(const WorkflowHarness&) = delete;
    WorkflowHarness& operator=(const WorkflowHarness&) = delete;

    Form1& window() { return *window_; }
    WindowFakes& fakes() { return fakes_; }
    std::vector<std::string>& commands() { return fakes_.mediaCommands; }

    // Time passes: devices play, the time of day moves on, T's ticks fall when due; then pending events run.
    void pass(std::chrono::milliseconds duration);

    // A mouse click on a button; a disabled button ignores it.
    void click(QPushButton* button);
    // The slider as the mouse works it: press (MouseDown), move the thumb while held, release (MouseUp, Click).
    // A disabled slider raises nothing.
    void pressSlider();
    void dragThumbTo(int seconds);
    void releaseSlider();
    // Press, drag to `seconds` and release.
    void clickSliderAt(int seconds);

    // Scripts the next open or save dialog to choose `file`, or to be cancelled.
    void chooseInNextDialog(const std::filesystem::path& file);
    void cancelNextDialog();
    // Chooses `file` in the Open dialog: the whole Open click, including its half-second wait.
    void open(const std::filesystem::path& file);

    // A silent MP3 of `duration` in the harness's own folder, which goes with the harness.
    std::filesystem::path silentMp3(const std::string& name, std::chrono::milliseconds duration);
    std::filesystem::path folder() const;

    // Asks the media service directly, unrecorded (e.g. "status movie mode"); the reply, or nothing on an error.
    std::optional<std::string> askService(const std::string& command);
    // The next time the window sends `command`, the service is not asked: the command succeeds with `reply`. For
    // replies the real service never gives, such as a length of 0.
    void replyOnceInstead(const std::string& command, const std::string& reply);
    // The device's position in milliseconds, asked unrecorded.
    int64_t devicePositionMs();
    // Whether the device is playing, asked unrecorded.
    bool devicePlaying();

private:
    enum class Events { Run, Wait };

    WindowServices services();
    void advance(std::chrono::milliseconds duration, Events events);
    void letEventsRun();
    void followTimer();
    void fireTick();

    WindowFakes fakes_;
    ManualAudioClock audio_;
    QTemporaryDir folder_;
    const double startOfDay_;
    std::chrono::milliseconds now_ { 0 };
    std::optional<std::chrono::milliseconds> nextTickAt_;
    bool tickPending_ = false;
    std::map<std::string, std::string> repliesInstead_;
    std::unique_ptr<Form1> window_;
};

} // namespace test_support
