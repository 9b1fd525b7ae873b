// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <future>
#include <string>
#include <vector>

// The command line for the application object, kept alive as long as the application needs it.
class ApplicationArguments {
public:
    explicit ApplicationArguments(std::vector<std::string> arguments);

    ApplicationArguments(const ApplicationArguments&) = delete;
    ApplicationArguments& operator=(const ApplicationArguments&) = delete;

    int& count() { return count_; }
    char** values() { return pointers_.data(); }

private:
    std::vector<std::string> arguments_;
    std::vector<char*> pointers_;
    int count_;
};

// Options for the browser pane's engine: no GPU (the pane shows one small page), and no sandbox (nor the zygote
// that serves it) when running as root, where the engine refuses to start with one.
std::vector<std::string> browserEngineOptions(bool runningAsRoot);

// Readies the process for the window before the application object exists and returns that object's command
// line: `arguments` followed by the engine's options. The engine's report of its settings is not shown.
ApplicationArguments prepareStartUp(std::vector<std::string> arguments);

// Has fontconfig read its configuration and font caches on a thread of its own, some milliseconds that the window's
// first text would otherwise wait for. The future is ready once they are read.
std::future<void> readFontConfigurationAside();
