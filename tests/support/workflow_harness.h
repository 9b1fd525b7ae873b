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
// time passes (in pass(), the media waits and sleeps), the time of day moves with it, and T ticks every Interval
// of it while enabled. Dialogs, message boxes, the launcher and the program's end are scripted and recorded.
class WorkflowHarness {
public:
    WorkflowHarness();
    ~WorkflowHarness();
    WorkflowHarness(const WorkflowHarness&) = delete;
    WorkflowHarness& operator=(const WorkflowHarness&) = delete;

    Form1& window() { return *window_; }

    // Runs one step as a user would: "open <ms>" (a silent MP3 "tune <ms>.mp3" of that length), "open <name>" (a file
    // in the folder, missing or not), "pass <ms>", "click <Play|Stop|Open|Save|Website|Start|End|Preview>" (an open
    // dialog with nothing scripted is cancelled), "slider <s>", "hold <s>", "release", "close", "length <ms>" (the
    // next length query's reply), "endmark <ms>" (set, not marked), and
    // "at <ms> <step>": <step> once, at the first wait where the device has reached <ms>.
    void run(const std::string& step);
    // What the user sees and hears: slider value/max, the Play button, ticking or still, the device's mode and
    // position, the clocks Label4, Label7, Label9, Label3 (" : " written ":"), the lines, scale and marks, and the
    // messages since.
    std::string state();

    void pass(std::chrono::milliseconds duration);
    // A mouse click on a button; a disabled button ignores it.
    void click(QPushButton* button);
    // The next file dialog chooses `file`; an unscripted dialog is cancelled.
    void chooseInNextDialog(const std::filesystem::path& file);
    void open(const std::filesystem::path& file);

    QString folder() const { return folder_.path(); }

    // Asks the service directly, unrecorded: the reply, or nothing on an error.
    std::optional<std::string> askService(const std::string& command);
    int64_t devicePositionMs();
    bool devicePlaying();
    // The next time the window sends `command`, it succeeds with `reply` without reaching the service.
    void replyOnceInstead(const std::string& command, const std::string& reply) { repliesInstead_[command] = reply; }

    struct Message {
        QString text;
        platform::MessageButtons buttons;
    };
    std::vector<std::string> commands;
    std::vector<platform::FileDialogRequest> fileRequests;
    std::deque<std::optional<platform::FileChoice>> fileChoices;
    std::vector<Message> messages;
    std::deque<platform::MessageAnswer> messageAnswers; // none left: OK, or No
    std::vector<QStringList> launches;
    int programEnds = 0;
    std::vector<std::chrono::milliseconds> sleeps;
    // Runs wherever a handler lets window events run, before they do: the place to click in the middle of a handler.
    std::function<void()> duringWait;

private:
    enum class Events { Run, Wait };
    WindowServices services();
    void advance(std::chrono::milliseconds duration, Events events);
    void letEventsRun();
    void followTimer();
    void fireTick();

    ManualAudioClock audio_;
    QTemporaryDir folder_;
    double secondsSinceMidnight_ = 10 * 60 * 60;
    std::chrono::milliseconds now_ { 0 };
    std::optional<std::chrono::milliseconds> nextTickAt_;
    bool tickPending_ = false;
    std::map<std::string, std::string> repliesInstead_;
    std::unique_ptr<Form1> window_;
};

} // namespace test_support
