#pragma once

#include "app/window_services.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// Stand-ins for everything the window reaches outside itself. Give services() to Form1 and keep the fakes alive
// longer than the window. Nothing here touches a display, a sound device, the network or the real clock.
struct WindowFakes {
    // Media commands: every text sent, in order. answerMedia scripts the return code and the reply (empty: none
    // written); by default every command succeeds without a reply.
    std::vector<std::string> mediaCommands;
    std::function<uint32_t(const std::string& command, std::string& reply)> answerMedia;

    // The time of day the media object sees. Waits and sleeps move it on by their length.
    double secondsSinceMidnight = 10 * 60 * 60;

    // File dialogs: each request in order; answers are taken from the front, and none left means Cancel.
    std::vector<platform::FileDialogRequest> fileRequests;
    std::deque<std::optional<platform::FileChoice>> fileChoices;

    struct Message {
        QString text;
        platform::MessageButtons buttons;
    };
    // Message boxes: each one shown; answers are taken from the front, and none left means OK (or No).
    std::vector<Message> messages;
    std::deque<platform::MessageAnswer> messageAnswers;

    // Programs launched, in order; each ends at once, succeeding as launchSucceeds says.
    std::vector<std::pair<QString, QStringList>> launches;
    bool launchSucceeds = true;
    int programEnds = 0;
    std::vector<std::chrono::milliseconds> sleeps;
    int eventPumps = 0;

    // Runs at every point where a handler lets window events run (media waits and the event pump), before the
    // pending events are handled: the place to click or close something in the middle of a handler.
    std::function<void()> duringWait;

    WindowServices services();

private:
    void letEventsRun();
};

} // namespace test_support
