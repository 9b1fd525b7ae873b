// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startup.h"

#include <QLoggingCategory>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

ApplicationArguments::ApplicationArguments(std::vector<std::string> arguments)
    : arguments_(std::move(arguments))
    , count_(static_cast<int>(arguments_.size())) {
    for (auto& argument : arguments_) {
        pointers_.push_back(argument.data());
    }
    pointers_.push_back(nullptr);
}

std::vector<std::string> browserEngineOptions(bool runningAsRoot) {
    std::vector<std::string> options { "--webEngineArgs", "--disable-gpu" };
    if (runningAsRoot) {
        // Without the sandbox the engine's zygote only forks the page's process, and making the pane waits some
        // 60 ms for the zygote to start; without it the page's process starts while the pane is made.
        options.insert(options.end(), { "--no-sandbox", "--no-zygote" });
    }
    return options;
}

ApplicationArguments prepareStartUp(std::vector<std::string> arguments) {
    // The engine reports its settings at every start in some twenty lines that read like an error; QT_LOGGING_RULES
    // still shows them to whoever asks.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    for (auto& option : browserEngineOptions(geteuid() == 0)) {
        arguments.push_back(std::move(option));
    }
    return ApplicationArguments(std::move(arguments));
}

std::future<void> readFontConfigurationAside() {
    // Qt's own set-up of the fonts later finds the configuration loaded; fontconfig makes concurrent first calls safe.
    return std::async(std::launch::async, [] { FcInit(); });
}
