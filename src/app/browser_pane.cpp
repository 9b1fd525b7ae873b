#include "app/browser_pane.h"

#include <QMenu>
#include <QQuickWindow>
#include <QRect>
#include <QUrl>
#include <QWebEngineView>

namespace {

// The page is built in, so of the browser's own menu only copying makes sense.
void offerOnlyCopyInMenu(QWebEngineView* pane) {
    pane->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(pane, &QWidget::customContextMenuRequested, pane, [pane](const QPoint& position) {
        auto* menu = new QMenu(pane);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        if (pane->hasSelection()) {
            menu->addAction(pane->pageAction(QWebEnginePage::Copy));
        }
        menu->addAction(pane->pageAction(QWebEnginePage::SelectAll));
        menu->popup(pane->mapToGlobal(position));
    });
}

} // namespace

QWebEngineView* createBrowserPane(
    QWidget* window, const QRect& geometry, QWidget* previousInTabOrder, const QUrl& page) {
    // The engine draws without the GPU; drawn through OpenGL, its Qt Quick surface would turn the window, already on
    // the screen, into an OpenGL window, which is made anew (a flicker) after loading the OpenGL driver.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    auto* pane = new QWebEngineView(window);
    pane->setObjectName(QStringLiteral("WebBrowser1"));
    pane->setAccessibleName(QStringLiteral("How to use Tuneshear"));
    pane->setGeometry(geometry);
    offerOnlyCopyInMenu(pane);
    pane->show();
    pane->load(page);
    // Loading makes the inner widget that takes the pane's focus and moves the pane with it to the end of the
    // window's focus order, so the order is set after it. The pane itself must count as taking focus, or setting the
    // order would pass over it.
    pane->setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(previousInTabOrder, pane);
    return pane;
}
