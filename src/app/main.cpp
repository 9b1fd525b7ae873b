// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser_pane.h"
#include "app/command_line.h"
#include "app/form1.h"
#include "app/startup.h"
#include "platform/display.h"
#include "platform/program_end.h"

#include <QApplication>
#include <cstdio>

// The program is its window and lives as long as the window does. A file on the command line opens as if chosen
// in the Open dialog once the window shows.
int main(int argc, char** argv) {
    const auto fontConfiguration = readFontConfigurationAside();
    QStringList givenArguments;
    for (int index = 0; index < argc; ++index) {
        givenArguments.append(QString::fromLocal8Bit(argv[index]));
    }
    const CommandLine commandLine = readCommandLine(givenArguments);
    if (commandLine.exitCode) {
        std::fputs(commandLine.text.toLocal8Bit().constData(), *commandLine.exitCode == 0 ? stdout : stderr);
        return *commandLine.exitCode;
    }
    const DisplayChoice display = chooseDisplay(commandLine, DisplayProbes::platformDefaults());
    if (display.missingLine) {
        std::fprintf(stderr, "%s\n", display.missingLine->toLocal8Bit().constData());
        return 1;
    }

    std::vector<std::string> qtArguments { argv[0] };
    for (const QString& argument : commandLine.qtArguments) {
        qtArguments.push_back(argument.toLocal8Bit().toStdString());
    }
    if (!display.platform.isEmpty()) {
        qtArguments.insert(qtArguments.end(), { "-platform", display.platform.toStdString() });
    }
    // The window's Wayland app_id and X11 class name are its desktop entry's name, by which docks and task switchers
    // find the entry's icon and launcher.
    const QString desktopEntry = QStringLiteral("org.tuneshear.Tuneshear");
    QGuiApplication::setDesktopFileName(desktopEntry);
    QCoreApplication::setApplicationName(desktopEntry);
    auto arguments = prepareStartUp(std::move(qtArguments));
    QApplication application(arguments.count(), arguments.values());
    platform::releaseCheckedXDisplay();
    WindowServices services = WindowServices::platformDefaults();
    // The pane's module starts loading once the window is shown: mapping and relocating its libraries beside the
    // window's own start slows the window (the two share one address space) more than it speeds the pane. The
    // window makes its pane only from the event loop, after the first paint, so the maker is there by then.
    const auto paneMaker = std::make_shared<BrowserPaneMaker>();
    services.makeBrowserPane = [paneMaker](auto... arguments) { return (*paneMaker)(arguments...); };
    Form1 window(std::move(services));
    window.show();
    *paneMaker = loadBrowserPaneModuleAside();
    platform::handleTerminationSignals([&window] { window.close(); });
    if (!commandLine.file.isEmpty()) {
        window.openGivenFileOnceShown(commandLine.file);
    }
    return application.exec();
}
