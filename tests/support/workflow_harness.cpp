#include "support/workflow_harness.h"

#include "platform/event_pump.h"
#include "platform/mci/mci.h"

#include <QTest>
#include <array>
#include <cstdio>
#include <sstream>

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace test_support {

WorkflowHarness::WorkflowHarness()
    : window_(std::make_unique<Form1>(services())) {
    window_->T->blockSignals(true); // ticks come from virtual time only
}

// The device lives in the process-wide service; closing it lets the next test start with none.
WorkflowHarness::~WorkflowHarness() {
    window_.reset();
    mciSendStringA("close all", nullptr, 0, nullptr);
}

WindowServices WorkflowHarness::services() {
    WindowServices services;
    services.chooseFile = [this](QWidget*, const platform::FileDialogRequest& request) {
        followTimer();
        fileRequests.push_back(request);
        std::optional<platform::FileChoice> choice;
        if (!fileChoices.empty()) {
            choice.swap(fileChoices.front());
            fileChoices.pop_front();
        }
        return choice;
    };
    services.showMessage = [this](QWidget*, const QString& text, platform::MessageButtons buttons) {
        followTimer();
        messages.push_back({ text, buttons });
        auto answer
            = buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok : platform::MessageAnswer::No;
        if (!messageAnswers.empty()) {
            answer = messageAnswers.front();
            messageAnswers.pop_front();
        }
        return answer;
    };
    services.launch = [this](const QString& program, const QStringList& arguments, const platform::LaunchEnded& ended) {
        launches.push_back(QStringList { program } + arguments);
        ended(true);
    };
    services.endProgram = [this] { ++programEnds; };
    services.makeBrowserPane = createBrowserPane;
    services.movieHooks.send = [this](const char* command, char* reply, uint32_t replyLength, void* callbackWindow) {
        followTimer();
        commands.emplace_back(command);
        if (const auto instead = repliesInstead_.extract(command)) {
            std::snprintf(reply, replyLength, "%s", instead.mapped().c_str());
            return 0U;
        }
        return mciSendStringA(command, reply, replyLength, callbackWindow);
    };
    services.movieHooks.secondsSinceMidnight = [this] { return secondsSinceMidnight_; };
    services.movieHooks.steadySeconds = [this] { return static_cast<double>(now_.count()) / 1000.0; };
    services.movieHooks.processEventsFor = [this](std::chrono::milliseconds duration) {
        const auto end = now_ + duration;
        letEventsRun();
        advance(std::max(end - now_, std::chrono::milliseconds(0)), Events::Run);
    };
    services.sleep = [this](std::chrono::milliseconds duration) {
        sleeps.push_back(duration);
        advance(duration, Events::Wait);
    };
    services.processPendingEvents = [this] { letEventsRun(); };
    return services;
}

// Time moves on in steps that end at each due tick. While a handler sleeps, due ticks wait as one for the next
// time events run, as with the real timer.
void WorkflowHarness::advance(std::chrono::milliseconds duration, Events events) {
    const auto end = now_ + duration;
    while (now_ < end) {
        followTimer();
        const bool tickDue = nextTickAt_ && *nextTickAt_ <= end;
        const auto stepEnd = tickDue ? std::max(*nextTickAt_, now_) : end;
        audio_.advance(stepEnd - now_);
        secondsSinceMidnight_ += static_cast<double>((stepEnd - now_).count()) / 1000.0;
        now_ = stepEnd;
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
    if (duringWait) {
        duringWait();
    }
    if (tickPending_) {
        fireTick();
    }
    platform::processPendingEvents();
}

// T's count starts when it is enabled and is dropped when it is disabled.
void WorkflowHarness::followTimer() {
    if (!window_ || !window_->T->Enabled()) {
        nextTickAt_.reset();
        tickPending_ = false;
    } else if (!nextTickAt_) {
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

void WorkflowHarness::run(const std::string& step) {
    std::istringstream words(step);
    std::string verb;
    std::string argument;
    words >> verb >> argument;
    Slider& slider = *window_->H;
    if (verb == "open" && std::isdigit(argument.front())) {
        const auto file = folder().toStdString() + "/tune " + argument + ".mp3";
        open(writeSilentMp3(file, std::chrono::milliseconds(std::stoi(argument))));
    } else if (verb == "open") {
        open(folder().toStdString() + "/" + argument);
    } else if (verb == "pass") {
        pass(std::chrono::milliseconds(std::stoi(argument)));
    } else if (verb == "click") {
        const std::map<std::string, QPushButton*> buttons { { "Play", window_->Command1 },
            { "Stop", window_->Command2 }, { "Open", window_->Command4 }, { "Save", window_->Command7 },
            { "Website", window_->Command3 }, { "Start", window_->Command5 }, { "End", window_->Command6 },
            { "Preview", window_->Command9 } };
        click(buttons.at(argument));
    } else if (verb == "slider" || verb == "hold" || verb == "release") { // as the mouse works it, if enabled
        if (slider.isEnabled() && verb != "release") {
            emit slider.MouseDown();
            slider.setValue(std::stoi(argument));
        }
        if (slider.isEnabled() && verb != "hold") {
            emit slider.MouseUp();
            emit slider.Click();
        }
        followTimer();
    } else if (verb == "endmark") {
        window_->markEnd = std::stoi(argument);
    } else if (verb == "length") {
        replyOnceInstead("status movie length", argument);
    } else if (verb == "close") {
        window_->close();
    } else if (verb == "at") {
        std::string then;
        std::getline(words >> std::ws, then);
        duringWait = [this, position = std::stoll(argument), then] {
            if (devicePositionMs() >= position) {
                auto* const harness = this;
                const std::string step = then;
                harness->duringWait = nullptr; // destroys this lambda
                harness->run(step);
            }
        };
    } else {
        throw std::invalid_argument("no such step: " + step);
    }
}

std::string WorkflowHarness::state() {
    const Form1& w = *window_;
    const auto clock = [](const QLabel* label) { return label->text().replace(" : ", ":").toStdString(); };
    std::ostringstream shown;
    shown << w.H->Value() << "/" << w.H->Max() << " " << w.Command1->text().toStdString()
          << (w.T->Enabled() ? " tick " : " still ") << askService("status movie mode").value_or("closed") << " "
          << devicePositionMs() << " [" << clock(w.Label4) << "|" << clock(w.Label7) << "|" << clock(w.Label9) << "|"
          << clock(w.Label3) << "] " << w.Line1->X1() << "," << w.Line2->X1() << " s" << w.markScale << " m"
          << w.markStart << "," << w.markEnd;
    for (const auto& message : messages) {
        shown << " \"" << message.text.toStdString() << "\"";
    }
    messages.clear();
    return shown.str();
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

void WorkflowHarness::chooseInNextDialog(const std::filesystem::path& file) {
    fileChoices.emplace_back(platform::FileChoice { QString::fromStdString(file.string()), 1 });
}

void WorkflowHarness::open(const std::filesystem::path& file) {
    chooseInNextDialog(file);
    click(window_->Command4);
}

std::optional<std::string> WorkflowHarness::askService(const std::string& command) {
    std::array<char, 128> reply {};
    if (mciSendStringA(command.c_str(), reply.data(), static_cast<uint32_t>(reply.size()), nullptr) != 0) {
        return std::nullopt;
    }
    return std::string(reply.data());
}

int64_t WorkflowHarness::devicePositionMs() {
    return std::stoll(askService("status movie position").value_or("-1"));
}

bool WorkflowHarness::devicePlaying() {
    return askService("status movie mode").value_or("").starts_with("playing");
}

} // namespace test_support
