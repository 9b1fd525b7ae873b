// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/browser_pane.h"

#include <QDynamicPropertyChangeEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QPalette>
#include <QQuickWindow>
#include <QRect>
#include <QUrl>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
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

// The page keeps an empty line for the notice at its top.
void showNotice(QWebEngineView* pane, const QString& notice) {
    const QString text = QString::fromUtf8(QJsonDocument(QJsonArray { notice }).toJson(QJsonDocument::Compact));
    pane->page()->runJavaScript(QStringLiteral("(function (text) { const notice = document.getElementById('notice');"
                                               " notice.textContent = text; notice.hidden = text === ''; })(%1[0])")
                                    .arg(text));
}

// Shows the window's notice once the page is there, and each new one.
class NoticeFollower : public QObject {
public:
    NoticeFollower(QWidget* window, QWebEngineView* pane)
        : QObject(pane)
        , window_(window)
        , pane_(pane) {
        window->installEventFilter(this);
        connect(pane, &QWebEngineView::loadFinished, this, [this](bool loaded) {
            loaded_ = loaded;
            showNotice(pane_, window_->property(kPaneNoticeProperty).toString());
        });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (loaded_ && event->type() == QEvent::DynamicPropertyChange
            && static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName() == kPaneNoticeProperty) {
            showNotice(pane_, window_->property(kPaneNoticeProperty).toString());
        }
        return false;
    }

private:
    QWidget* window_;
    QWebEngineView* pane_;
    bool loaded_ = false;
};

// The page takes the desktop's colour scheme, dark where the window shows light text on a dark text area. The engine
// does not follow the desktop, so the page is told before its own script runs.
void tellPageTheColourScheme(QWebEngineView* pane) {
    const QPalette& palette = pane->palette();
    const bool dark = palette.color(QPalette::Base).lightness() < palette.color(QPalette::Text).lightness();
    QWebEngineScript scheme;
    scheme.setInjectionPoint(QWebEngineScript::DocumentCreation);
    scheme.setWorldId(QWebEngineScript::MainWorld);
    scheme.setSourceCode(QStringLiteral("window.tuneshearColourScheme = '%1';").arg(dark ? "dark" : "light"));
    pane->page()->scripts().insert(scheme);
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
    tellPageTheColourScheme(pane);
    new NoticeFollower(window, pane);
    pane->show();
    pane->load(page);
    // Loading makes the inner widget that takes the pane's focus and moves the pane with it to the end of the
    // window's focus order, so the order is set after it. The pane itself must count as taking focus, or setting the
    // order would pass over it.
    pane->setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(previousInTabOrder, pane);
    return pane;
}
