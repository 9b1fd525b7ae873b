#include "support/workflow_harness.h"

#include "platform/event_pump.h"
#include "platform/mci/mci.h"
#include "support/mp3_fixtures.h"

#include <QTest>
#include <algorithm>
#include <array>
#include <cstdio>

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace test_support {

WorkflowHarness::WorkflowHarness()
    : startOfDay_(fakes_.secondsSinceMidnight)
    , window_(std::make_unique<Form1>(services())) {
    // Ticks come only from virtual time; the real timer's would follow the wall clock.
    window_->T->blockSignals(true);
}

// The device "movie" lives in the process-wide service; it is closed so that the next test starts with none.
WorkflowHarness::~WorkflowHarness() {
    window_.reset();
    mciSendStringA("close all", nullptr, 0, nullptr);
}

WindowServices WorkflowHarness::services() {
    WindowServices services = fakes_.services();
    const auto chooseFile = services.chooseFile;
    services.chooseFile = [this, chooseFile](QWidget* owner, const platform::FileDialogRequest& request) {
        followTimer();
        return chooseFile(owner, request);
    };
    const auto showMessage = services.showMessage;
    services.showMessage = [this, showMessage](QWidget* owner, const QString& text, platform::MessageButtons buttons) {
        followTimer();
        return showMessage(owner, text, buttons);
    };
    services.movieHooks.send = [this](const char* command, char* reply, uint32_t replyLength, void* callbackWindow) {
        followTimer();
        fakes_.mediaCommands.emplace_back(command);
        if (const auto replyInstead = repliesInstead_.extract(command)) {
            if (reply != nullptr && replyLength > 0) {
                std::snprintf(reply, replyLength, "%s", replyInstead.mapped().c_str());
            }
            return 0U;
        }
        return mciSendStringA(command, reply, replyLength, callbackWindow);
    };
    services.movieHooks.processEventsFor = [this](std::chrono::milliseconds duration) {
        const auto end = now_ + duration;
        letEventsRun();
        advance(std::max(end - now_, std::chrono::milliseconds(0)), Events::Run);
    };
    services.sleep = [this](std::chrono::milliseconds duration) {
        fakes_.sleeps.push_back(duration);
        advance(duration, Events::Wait);
    };
    services.processPendingEvents = [this] {
        ++fakes_.eventPumps;
        letEventsRun();
    };
    return services;
}

// Moves virtual time on in steps that end at each due tick. While a handler sleeps, a due tick waits for the
// next time events run, and several due ticks make one, as with the real timer.
void WorkflowHarness::advance(std::chrono::milliseconds duration, Events events) {
    const auto end = now_ + duration;
    while (now_ < end) {
        followTimer();
        const bool tickDue = nextTickAt_ && *nextTickAt_ <= end;
        const auto stepEnd = tickDue ? std::max(*nextTickAt_, now_) : end;
        audio_.advance(stepEnd - now_);
        now_ = stepEnd;
        fakes_.secondsSinceMidnight = startOfDay_ + static_cast<double>(now_.count()) / 1000.0;
        if (tickDue) {
            *nextTickAt_ += std::chrono::milliseconds(std::max(1, window_->T->Interval()));
            if (events == Events::Run) {
                fireTick();
            } else {
                tickPending_ = true;
            }
        }
    }
}

void WorkflowHarness::letEventsRun() {
    if (fakes_.duringWait) {
        fakes_.duringWait();
    }
    if (tickPending_) {
        fireTick();
    }
    platform::processPendingEvents();
}

// T's schedule as a timer keeps it: the count starts when T is enabled and is dropped when it is disabled.
void WorkflowHarness::followTimer() {
    if (!window_ || !window_->T->Enabled()) {
        nextTickAt_.reset();
        tickPending_ = false;
        return;
    }
    if (!nextTickAt_) {
        nextTickAt_ = now_ + std::chrono::milliseconds(window_->T->Interval());
    }
}

void WorkflowHarness::fireTick() {
    tickPending_ = false;
    window_->T->blockSignals(false);
    emit window_->T->Tick();
    window_->T->blockSignals(true);
    followTimer();
}

void WorkflowHarness::pass(std::chrono::milliseconds duration) {
    advance(duration, Events::Run);
    followTimer();
    if (tickPending_) {
        fireTick();
    }
    platform::processPendingEvents();
}

void WorkflowHarness::click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
    followTimer();
}

void WorkflowHarness::pressSlider() {
    if (window_->H->isEnabled()) {
        emit window_->H->MouseDown();
    }
    followTimer();
}

void WorkflowHarness::dragThumbTo(int seconds) {
    if (window_->H->isEnabled()) {
        window_->H->setValue(seconds);
    }
}

void WorkflowHarness::releaseSlider() {
    if (window_->H->isEnabled()) {
        emit window_->H->MouseUp();
        emit window_->H->Click();
    }
    followTimer();
}

void WorkflowHarness::clickSliderAt(int seconds) {
    pressSlider();
    dragThumbTo(seconds);
    releaseSlider();
}

void WorkflowHarness::chooseInNextDialog(const std::filesystem::path& file) {
    fakes_.fileChoices.emplace_back(platform::FileChoice { QString::fromStdString(file.string()), 1 });
}

void WorkflowHarness::cancelNextDialog() {
    fakes_.fileChoices.emplace_back(std::nullopt);
}

void WorkflowHarness::open(const std::filesystem::path& file) {
    chooseInNextDialog(file);
    click(window_->Command4);
}

std::filesystem::path WorkflowHarness::silentMp3(const std::string& name, std::chrono::milliseconds duration) {
    return writeSilentMp3(folder() / name, duration);
}

std::filesystem::path WorkflowHarness::folder() const {
    return folder_.path().toStdString();
}

std::optional<std::string> WorkflowHarness::askService(const std::string& command) {
    std::array<char, 128> reply {};
    if (mciSendStringA(command.c_str(), reply.data(), static_cast<uint32_t>(reply.size()), nullptr) != 0) {
        return std::nullopt;
    }
    return std::string(reply.data());
}

void WorkflowHarness::replyOnceInstead(const std::string& command, const std::string& reply) {
    repliesInstead_.insert_or_assign(command, reply);
}

int64_t WorkflowHarness::devicePositionMs() {
    askService("set movie time format ms");
    return std::stoll(askService("status movie position wait").value_or("-1"));
}

bool WorkflowHarness::devicePlaying() {
    return askService("status movie mode").value_or("").starts_with("playing");
}

} // namespace test_support
