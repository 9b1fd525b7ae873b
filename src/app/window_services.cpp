#include "app/window_services.h"

#include "platform/event_pump.h"
#include "platform/launcher.h"
#include "platform/mci/output_factory.h"
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
        [] {
            const auto why = mci::whySilent();
            return why ? std::optional(QString::fromStdString(*why)) : std::nullopt;
        },
    };
}
