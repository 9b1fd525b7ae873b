// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/form1.h"
#include "support/manual_audio.h"
#include "support/mp3_fixtures.h"

#include <QTemporaryDir>
#include <deque>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Texts in test failures read as text.
void PrintTo(const QString& text, std::ostream* out);

namespace test_support {

// A real Form1 on the real media service, with time under the test's control: devices hear sound only as virtual
// time passes (in steps, the media waits and sleeps), the time of day moves with it, and T ticks every Interval of
// it while enabled. Dialogs, message boxes, the launcher and the program's end are scripted and recorded.
class WorkflowHarness {
public:
    WorkflowHarness();
    ~WorkflowHarness();
    WorkflowHarness(const WorkflowHarness&) = delete;
    WorkflowHarness& operator=(const WorkflowHarness&) = delete;

    Form1& window() { return *window_; }
    QString folder() const { return folder_.path(); }

    // Runs one step as a user would: "open <ms>" (a silent MP3 "tune <ms>.mp3" of that length), "open <name>" (a file
    // in the folder, missing or not), "given <name>" (opened from outside), "choose <name>" (the next file dialog's
    // choice; a dialog with none is cancelled), "answer <Yes|No>" (the next question's answer), "pass <ms>", "click
    // <Play|Stop|Open|Save|Website|Start|End|Preview>", "key <sequence>", "slider <s>", "hold <s>", "release", "close",
    // "browserless" (launched programs fail), "length <ms|error>" (the next length query's answer), "marks <start>
    // <end>" (set, not marked), "copy <test data file> <name>", "write <name> <text>", "tag <name>" (song.mp3 between a
    // cover picture and an ID3v1 tag), "link|hardlink <name> <target>", "remove <name>", "mkdir <name>", "lock|unlock"
    // (the folder against new files), "drop <copy|move|text|two> <name>" (dropped on the window as a file offered to be
    // copied or only moved, as its name in text, as two files), "look" (nothing), "tips" (the tooltips of the clocks
    // L7, L9, L3 and L4, shown in angle brackets among the messages), and "at <ms> <step>": <step> once, at the first
    // wait where the device has reached <ms>; what it changed is shown among the messages, in braces.
    void run(const std::string& step);
    // What the user sees and hears that changed since the last call: the slider's value/max, the Play button, T
    // ticking or still, the device's mode and @position, the clocks (" : " written ":"), the lines, scale and
    // marks, the caption, the progress bar, the disabled controls, the focus; then what was shown or done since:
    // messages in quotes, programs launched in brackets (the website's address written W), drops taken or refused,
    // the program's end.
    std::string state();
    // Each entry of the folder; a file that is a run of bytes of "song.mp3" as first copied shows as
    // name=offset+length, any other file with its size.
    std::string files() const;

private:
    enum class Events { Run, Wait };
    class AsAnyUser;
    WindowServices services();
    void advance(std::chrono::milliseconds duration, Events events);
    void letEventsRun();
    void followTimer();
    void fireTick();
    void pass(std::chrono::milliseconds duration);
    void click(QPushButton* button);
    void open(const std::filesystem::path& file);
    void drop(const std::string& how, const QString& path);
    int64_t devicePosition();

    ManualAudioClock audio_;
    QTemporaryDir folder_;
    QByteArray song_;
    double secondsSinceMidnight_ = 10 * 60 * 60;
    std::chrono::milliseconds now_ { 0 };
    std::optional<std::chrono::milliseconds> nextTickAt_;
    bool tickPending_ = false;
    std::deque<std::optional<platform::FileChoice>> fileChoices_;
    std::deque<platform::MessageAnswer> messageAnswers_; // none left: OK, or No
    std::vector<std::string> seen_; // messages, launches, the program's end, what an "at" step changed
    std::function<void()> atWait_;
    std::map<std::string, std::string> repliesInstead_;
    bool launchesSucceed_ = true;
    std::vector<std::string> shown_;
    std::unique_ptr<AsAnyUser> asAnyUser_;
    std::unique_ptr<Form1> window_;
};

} // namespace test_support
