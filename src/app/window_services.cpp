// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_services.h"

#include "platform/event_pump.h"
#include "platform/launcher.h"
#include "platform/program_end.h"

WindowServices WindowServices::platformDefaults() {
    return {
        platform::chooseFileWithDialog,
        platform::showMessageBox,
        platform::launchDetached,
        [] { platform::endProgramNow(); },
        MovieModuleHooks::platformDefaults(),
        platform::sleepFor,
        platform::processPendingEvents,
        BrowserPaneMaker {},
    };
}
