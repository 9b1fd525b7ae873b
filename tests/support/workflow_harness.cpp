// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/workflow_harness.h"

#include "platform/event_pump.h"
#include "platform/mci/mci.h"
#include "platform/mci/mci_errors.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <array>
#include <cstdio>
#include <linux/capability.h>
#include <sstream>
#include <sys/syscall.h>
#include <unistd.h>

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace test_support {

namespace {

// The reply of the service itself, unrecorded, or `failed`.
std::string askService(const char* command, const char* failed) {
    std::array<char, 128> reply {};
    return mciSendStringA(command, reply.data(), reply.size(), nullptr) == 0 ? reply.data() : failed;
}

} // namespace

// While alive, the thread is held to file permissions as any user is, also when it runs as root.
class WorkflowHarness::AsAnyUser {
public:
    AsAnyUser() {
        ::syscall(SYS_capget, &header_, saved_.data());
        auto reduced = saved_;
        reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, reduced.data());
    }
    ~AsAnyUser() { ::syscall(SYS_capset, &header_, saved_.data()); }

private:
    __user_cap_header_struct header_ { _LINUX_CAPABILITY_VERSION_3, 0 };
    std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3> saved_ {};
};

WorkflowHarness::WorkflowHarness()
    : window_(std::make_unique<Form1>(services())) {
    window_->T->blockSignals(true); // ticks come from virtual time only
    shown_.resize(16);
    state();
}

// The device lives in the process-wide service; closing it lets the next test start with none.
WorkflowHarness::~WorkflowHarness() {
    window_.reset();
    mciSendStringA("close all", nullptr, 0, nullptr);
}

WindowServices WorkflowHarness::services() {
    WindowServices services;
    services.chooseFile = [this](QWidget*, const platform::FileDialogRequest&) {
        followTimer();
        std::optional<platform::FileChoice> choice;
        if (!fileChoices_.empty()) {
            choice.swap(fileChoices_.front());
            fileChoices_.pop_front();
        }
        return choice;
    };
    services.showMessage = [this](QWidget*, const QString& text, platform::MessageButtons buttons) {
        followTimer();
        if (window_->pb->Value() != 0) { // where the progress bar stands while the message shows
            seen_.push_back("pb" + QString::number(window_->pb->Value()).toStdString());
        }
        seen_.push_back(
            "\"" + QString(text).replace(folder(), "F").replace(Form1::kWebsiteAddress, "W").toStdString() + "\"");
        auto answer = platform::MessageAnswer::No;
        if (!messageAnswers_.empty()) {
            answer = messageAnswers_.front();
            messageAnswers_.pop_front();
        }
        return buttons == platform::MessageButtons::Ok ? platform::MessageAnswer::Ok : answer;
    };
    services.launch = [this](const QString& program, const QStringList& arguments, const platform::LaunchEnded& ended) {
        const QString launched = "[" + program + " " + arguments.join(' ') + "]";
        seen_.push_back(QString(launched).replace(Form1::kWebsiteAddress, "W").toStdString());
        ended(launchesSucceed_);
    };
    services.endProgram = [this] { seen_.push_back("(the program ends)"); };
    services.makeBrowserPane = createBrowserPane;
    services.movieHooks.send = [this](const char* command, char* reply, uint32_t replyLength, void* callbackWindow) {
        followTimer();
        if (const auto instead = repliesInstead_.extract(command)) {
            std::snprintf(reply, replyLength, "%s", instead.mapped().c_str());
            return instead.mapped() == "error" ? mci::kDeviceNotOpen : 0U;
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
    services.sleep = [this](std::chrono::milliseconds duration) { advance(duration, Events::Wait); };
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
    if (atWait_) {
        atWait_();
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
    std::string rest;
    words >> verb >> argument;
    std::getline(words >> std::ws, rest);
    const QString named = folder() + "/" + QString::fromStdString(argument);
    const QString wholeName = folder() + "/" + QString::fromStdString(step.substr(step.find(' ') + 1));
    Slider& slider = *window_->H;
    if (verb == "open" && std::isdigit(argument.front())) {
        open(writeSilentMp3(
            folder().toStdString() + "/tune " + argument + ".mp3", std::chrono::milliseconds(std::stoi(argument))));
    } else if (verb == "open") {
        open(wholeName.toStdString());
    } else if (verb == "choose") {
        fileChoices_.emplace_back(platform::FileChoice { wholeName, 1 });
    } else if (verb == "answer") {
        messageAnswers_.push_back(argument == "Yes" ? platform::MessageAnswer::Yes : platform::MessageAnswer::No);
    } else if (verb == "pass") {
        pass(std::chrono::milliseconds(std::stoi(argument)));
    } else if (verb == "click") {
        const std::map<std::string, QPushButton*> buttons { { "Play", window_->Command1 },
            { "Stop", window_->Command2 }, { "Open", window_->Command4 }, { "Save", window_->Command7 },
            { "Website", window_->Command3 }, { "Start", window_->Command5 }, { "End", window_->Command6 },
            { "Preview", window_->Command9 } };
        click(buttons.at(argument));
    } else if (verb == "key") { // shortcuts act in the active window
        window_->show();
        window_->activateWindow();
        if (!QTest::qWaitForWindowActive(window_.get())) {
            throw std::runtime_error("the window never became active");
        }
        QTest::keySequence(window_.get(), QKeySequence(QString::fromStdString(argument)));
        followTimer();
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
    } else if (verb == "marks") {
        window_->markStart = std::stoi(argument);
        window_->markEnd = std::stoi(rest);
    } else if (verb == "length") {
        repliesInstead_["status movie length"] = argument;
    } else if (verb == "browserless") {
        launchesSucceed_ = false;
    } else if (verb == "close") {
        window_->close();
    } else if (verb == "copy") {
        std::filesystem::copy_file(testDataFile(argument),
            (folder() + "/" + QString::fromStdString(rest)).toStdString(),
            std::filesystem::copy_options::overwrite_existing);
        song_ = song_.isEmpty() ? contentsOf(folder() + "/song.mp3") : song_;
    } else if (verb == "write") {
        writeFile(named, QByteArray::fromStdString(rest));
    } else if (verb == "tag") { // song.mp3 between a 1 MB cover picture in front and an ID3v1 tag behind
        writeFile(named, id3v2Tag(1'000'000) + song_ + "TAG" + QByteArray(125, 't'));
    } else if (verb == "link" || verb == "hardlink") {
        std::filesystem::path target = (folder() + "/" + QString::fromStdString(rest)).toStdString();
        verb == "link" ? std::filesystem::create_symlink(target, named.toStdString())
                       : std::filesystem::create_hard_link(target, named.toStdString());
    } else if (verb == "remove") {
        std::filesystem::remove(named.toStdString());
    } else if (verb == "lock" || verb == "unlock") { // the folder: no new files, for any user
        const auto exceptWrite = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
        QFile::setPermissions(folder(), verb == "lock" ? exceptWrite : exceptWrite | QFileDevice::WriteOwner);
        asAnyUser_ = verb == "lock" ? std::make_unique<AsAnyUser>() : nullptr;
    } else if (verb == "mkdir") {
        std::filesystem::create_directory(named.toStdString());
    } else if (verb == "drop") {
        drop(argument, folder() + "/" + QString::fromStdString(rest));
    } else if (verb == "given") {
        window_->openGivenFile(wholeName);
    } else if (verb == "at") {
        atWait_ = [this, position = std::stoll(argument), then = rest] {
            if (devicePosition() >= position) {
                auto* const harness = this;
                const std::string step = then;
                harness->atWait_ = nullptr; // destroys this lambda
                harness->run(step);
                harness->seen_.push_back("{" + harness->state() + "}");
            }
        };
    } else if (verb == "tips") {
        const auto tip = [](const QWidget* clock) { return clock->toolTip().toStdString(); };
        seen_.push_back("<" + tip(window_->Label7) + " " + tip(window_->Label9) + " " + tip(window_->Label3) + " "
            + tip(window_->Label4) + ">");
    } else if (verb != "files" && verb != "look") {
        throw std::invalid_argument("no such step: " + step);
    }
}

std::string WorkflowHarness::state() {
    const Form1& w = *window_;
    const auto number = [](auto value) { return QString::number(value).toStdString(); };
    const auto clock = [](const QLabel* label) { return "[" + label->text().replace(" : ", ":").toStdString() + "]"; };
    QStringList disabled;
    for (const QWidget* control : w.findChildren<QWidget*>(QRegularExpression("^(Command\\d|H)$"))) {
        disabled << (control->isEnabled() ? QString() : control->objectName().remove("Command"));
    }
    const std::vector<std::string> shown { "H" + number(w.H->Value()) + "/" + number(w.H->Max()),
        w.Command1->text().toStdString(), w.T->Enabled() ? "tick" : "still", askService("status movie mode", "closed"),
        "@" + number(devicePosition()), "L4" + clock(w.Label4), "L7" + clock(w.Label7), "L9" + clock(w.Label9),
        "L3" + clock(w.Label3), "lines" + number(w.Line1->X1()) + "," + number(w.Line2->X1()),
        "s" + number(w.markScale), "m" + number(w.markStart) + "," + number(w.markEnd),
        "'" + w.windowTitle().toStdString() + "'", "pb" + number(w.pb->Value()) + "/" + number(w.pb->Max()),
        "off:" + disabled.join(' ').simplified().replace(' ', ',').toStdString(),
        "focus:" + (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "") };
    std::string changes;
    for (std::size_t field = 0; field < shown.size(); ++field) {
        changes += shown[field] == shown_[field] ? "" : " " + shown[field];
    }
    shown_ = shown;
    for (const std::string& seen : seen_) {
        changes += " " + seen;
    }
    seen_.clear();
    return changes.empty() ? "unchanged" : changes.substr(1);
}

std::string WorkflowHarness::files() const {
    std::string shown;
    for (const QFileInfo& entry :
        QDir(folder()).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QByteArray bytes = contentsOf(entry.filePath());
        const qsizetype offset = bytes.isEmpty() ? -1 : song_.indexOf(bytes);
        shown += (shown.empty() ? "" : " ") + entry.fileName().toStdString()
            + (offset >= 0 ? "=" + std::to_string(offset) + "+" : ":") + std::to_string(bytes.size());
    }
    return shown;
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

void WorkflowHarness::open(const std::filesystem::path& file) {
    fileChoices_.emplace_back(platform::FileChoice { QString::fromStdString(file.string()), 1 });
    click(window_->Command4);
}

// On the window's native window, where drags arrive; a taken drop opens its file once it is finished.
void WorkflowHarness::drop(const std::string& how, const QString& path) {
    window_->show();
    QMimeData data;
    how == "text" ? data.setText(path) : data.setUrls(QList<QUrl>(how == "two" ? 2 : 1, QUrl::fromLocalFile(path)));
    const Qt::DropActions offered = how == "move" ? Qt::MoveAction : Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(300, 220), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(300, 220), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_->windowHandle(), &enter);
    QCoreApplication::sendEvent(window_->windowHandle(), &drop);
    const bool taken
        = window_->acceptDrops() && enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    seen_.push_back(taken ? "(drop taken)" : "(drop refused)");
    QCoreApplication::processEvents();
    followTimer();
}

int64_t WorkflowHarness::devicePosition() {
    return std::stoll(askService("status movie position", "-1"));
}

} // namespace test_support
