#include "support/window_fakes.h"

#include "platform/event_pump.h"

#include <algorithm>
#include <cstring>

namespace test_support {

void WindowFakes::letEventsRun() {
    if (duringWait) {
        duringWait();
    }
    platform::processPendingEvents();
}

WindowServices WindowFakes::services() {
    WindowServices services;
    services.chooseFile = [this](QWidget*, const platform::FileDialogRequest& request) {
        fileRequests.push_back(request);
        std::optional<platform::FileChoice> choice;
        if (!fileChoices.empty()) {
            choice.swap(fileChoices.front());
            fileChoices.pop_front();
        }
        return choice;
    };
    services.showMessage = [this](QWidget*, const QString& text, platform::MessageButtons buttons) {
        messages.push_back({ text, buttons });
        if (!messageAnswers.empty()) {
            const auto answer = messageAnswers.front();
            messageAnswers.pop_front();
            return answer;
        }
        return buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok : platform::MessageAnswer::No;
    };
    services.launch = [this](const QString& program, const QStringList& arguments, const platform::LaunchEnded& ended) {
        launches.emplace_back(program, arguments);
        ended(launchSucceeds);
    };
    services.endProgram = [this] { ++programEnds; };
    services.movieHooks.send = [this](const char* command, char* reply, uint32_t replyLength, void*) -> uint32_t {
        mediaCommands.emplace_back(command);
        if (!answerMedia) {
            return 0;
        }
        std::string replyText;
        const uint32_t code = answerMedia(command, replyText);
        if (reply != nullptr && replyLength > 0 && !replyText.empty()) {
            const std::size_t length = std::min<std::size_t>(replyText.size(), replyLength - 1);
            std::memcpy(reply, replyText.data(), length);
            reply[length] = '\0';
        }
        return code;
    };
    services.movieHooks.secondsSinceMidnight = [this] { return secondsSinceMidnight; };
    // This time of day only ever moves on, so it serves as the steady clock too.
    services.movieHooks.steadySeconds = [this] { return secondsSinceMidnight; };
    services.movieHooks.processEventsFor = [this](std::chrono::milliseconds duration) {
        secondsSinceMidnight += duration.count() / 1000.0;
        letEventsRun();
    };
    services.sleep = [this](std::chrono::milliseconds duration) {
        sleeps.push_back(duration);
        secondsSinceMidnight += duration.count() / 1000.0;
    };
    services.processPendingEvents = [this] {
        ++eventPumps;
        letEventsRun();
    };
    return services;
}

} // namespace test_support
