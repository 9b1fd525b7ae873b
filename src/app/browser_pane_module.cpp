// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser_pane.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QOpenGLContext>
#include <QThread>
#include <QtGlobal>
#include <future>
#include <memory>

// Qt GUI's own setter of the OpenGL context the whole application shares; the engine reads its settings.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace {

struct LoadedModule {
    std::unique_ptr<QOpenGLContext> sharedContext;
    BrowserPaneMaker make;
};

// Loaded with the program, the engine has Qt make the application's shared OpenGL context while the application object
// is made, before any window; loaded later, it expects that context to be there already, so it is made first.
LoadedModule loadModule(QThread* guiThread, const QString& programFolder) {
    LoadedModule loaded { std::make_unique<QOpenGLContext>(), {} };
    loaded.sharedContext->create();
    loaded.sharedContext->moveToThread(guiThread);
    qt_gl_set_global_share_context(loaded.sharedContext.get());
    for (const QString& folder : { programFolder, programFolder + QStringLiteral("/../" TUNESHEAR_PANE_MODULE_DIR) }) {
        QLibrary module(folder + QStringLiteral("/" TUNESHEAR_PANE_MODULE));
        if (const auto make = reinterpret_cast<decltype(&createBrowserPane)>(module.resolve("createBrowserPane"))) {
            loaded.make = make;
            return loaded;
        }
    }
    qWarning("The browser pane's module %s is missing; the window goes on without the pane.", TUNESHEAR_PANE_MODULE);
    return loaded;
}

} // namespace

BrowserPaneMaker loadBrowserPaneModuleAside() {
    auto loading = std::make_shared<std::future<LoadedModule>>(std::async(std::launch::async | std::launch::deferred,
        loadModule, QCoreApplication::instance()->thread(), QCoreApplication::applicationDirPath()));
    return [loading](QWidget* window, const QRect& geometry, QWidget* previousInTabOrder, const QUrl& page) {
        LoadedModule loaded = loading->get();
        loaded.sharedContext.release()->setParent(QCoreApplication::instance());
        return loaded.make ? loaded.make(window, geometry, previousInTabOrder, page) : nullptr;
    };
}
