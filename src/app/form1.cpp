// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/form1.h"

#include "app/app_icon.h"
#include "app/file_drop.h"
#include "app/shortcuts.h"
#include "app/twips.h"
#include "platform/launcher.h"

#include <QCloseEvent>
#include <QPointer>
#include <QUrl>
#include <iterator>
#include <utility>

namespace {

// Captions must fit buttons 22 pixels high; the desktop's usual 10-point font does not leave them room. The
// selection clocks, in labels 12 pixels high and about 61 wide, need a size smaller still to show " 9 : 59 : 59".
constexpr int kFontPixelSize = 12;
constexpr int kSelectionClockPixelSize = 11;

void place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(twipsToPixels(left, top, width, height));
}

// A clock's text takes the colour that the palette pairs with the clock's background, which is dark in a light theme
// and light in a dark one; both follow the desktop when its theme changes.
QLabel* makeClockLabel(QWidget* parent, const char* name) {
    auto* label = new ClockLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// The selection clocks sit on the window-background colour of text areas.
QLabel* makeMarkLabel(QWidget* parent, const char* name) {
    auto* label = makeClockLabel(parent, name);
    label->setBackgroundRole(QPalette::Base);
    label->setForegroundRole(QPalette::Text);
    label->setAutoFillBackground(true);
    QFont font = label->font();
    font.setPixelSize(kSelectionClockPixelSize);
    label->setFont(font);
    return label;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    return frame;
}

} // namespace

Form1::Form1(WindowServices services, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowCloseButtonHint)
    , services_(std::move(services)) {
    Q_INIT_RESOURCE(tuneshear);
    // The controls stand where their twips put them, and the timeline runs left to right under the mark lines; in a
    // right-to-left layout (-reverse) the slider would run the other way and the clocks would read "3 : 2 : 1".
    // Dialogs and message boxes are windows of their own and still follow the application's direction.
    setLayoutDirection(Qt::LeftToRight);
    setWindowTitle(QLatin1String(kStartCaption));
    setWindowIcon(makeAppIcon());
    QFont windowFont = font();
    windowFont.setPixelSize(kFontPixelSize);
    setFont(windowFont);
    setFixedSize(twipsToPixels(kInsideWidthTwips), twipsToPixels(kInsideHeightTwips));
    createControls();
    nameControlsForScreenReaders();
    setTabOrderFromTable();
    connectWorkflow();
    addShortcuts(*this);
    new Mp3DropTarget(this, Command4, [this](const QString& path) { openGivenFile(path); });
}

Form1::~Form1() = default;

void Form1::createControls() {
    Frame1 = makeFrame(this, "Frame1", QString());
    place(Frame1, 1860, 15, 5955, 870);
    const struct {
        QLabel*& label;
        const char* name;
        int left;
        int top;
        int width;
    } markLabels[] {
        { Label7, "Label7", 1095, 615, 945 },
        { Label9, "Label9", 2535, 615, 915 },
        { Label3, "Label3", 4050, 615, 1005 },
    };
    for (const auto& entry : markLabels) {
        entry.label = makeMarkLabel(Frame1, entry.name);
        place(entry.label, entry.left, entry.top, entry.width, 180);
    }

    const struct {
        QPushButton*& button;
        const char* name;
        const char* caption;
        int left;
        int top;
        int width;
    } buttons[] {
        { Command5, "Command5", "Mark Start", 2745, 180, 1350 },
        { Command6, "Command6", "Mark End", 4200, 180, 1350 },
        { Command9, "Command9", "Play Selected", 5670, 195, 1530 },
        { Command1, "Command1", "Play", 195, 1575, 1005 },
        { Command2, "Command2", "Stop", 1290, 1575, 1005 },
        { Command4, "Command4", "Open", 2385, 1575, 1005 },
        { Command7, "Command7", "Save", 3465, 1575, 1005 },
        { Command3, "Command3", "Website", 4545, 1575, 1185 },
    };
    for (const auto& entry : buttons) {
        entry.button = new QPushButton(QLatin1String(entry.caption), this);
        entry.button->setObjectName(QLatin1String(entry.name));
        entry.button->setAutoDefault(true); // Enter clicks the focused button, as Space does
        place(entry.button, entry.left, entry.top, entry.width, 330);
    }

    H = new Slider(this);
    H->setObjectName(QStringLiteral("H"));
    H->setRange(0, kSliderMaxAtStartUp);
    place(H, 75, 1065, 9420, 375);

    Label4 = makeClockLabel(this, "Label4");
    place(Label4, 7650, 1440, 1860, 240);

    pb = new ProgressBar(this);
    pb->setObjectName(QStringLiteral("pb"));
    place(pb, 105, 2040, 9405, 390);

    // P only lends its native window to the media service; it and what it holds are never shown.
    P = makeFrame(this, "P", QString());
    place(P, 1020, 7005, 5295, 4215);
    P->hide();
    Frame4 = makeFrame(P, "Frame4", QStringLiteral("Video Window"));
    place(Frame4, -75, 4590, 5775, 4815);
    Frame4->hide();
    Frame3 = makeFrame(Frame4, "Frame3", QString());
    place(Frame3, -195, 3645, 5295, 4215);
    Frame3->hide();

    T = new Timer(P);
    T->setObjectName(QStringLiteral("T"));
    T->setInterval(1000);

    Cdlg = new platform::CommonDialog(P, services_.chooseFile);
    Cdlg->setObjectName(QStringLiteral("Cdlg"));

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    place(Shape1, 360, -4185, 15, 15);

    Line1 = new LineShape(this, kStartLineAtStartUpTwips, 930, kStartLineAtStartUpTwips, 1035);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line2 = new LineShape(this, kEndLineAtStartUpTwips, 930, kEndLineAtStartUpTwips, 1035);
    Line2->setObjectName(QStringLiteral("Line2"));
}

// Buttons are read out by their captions and clock labels by the time they show; these say what the rest are.
void Form1::nameControlsForScreenReaders() {
    const std::pair<QWidget*, const char*> names[] {
        { Frame1, "Selection" },
        { H, "Playing position" },
        { pb, "Saving progress" },
        { Line1, "Start mark on the timeline" },
        { Line2, "End mark on the timeline" },
        { P, "Picture" },
        { Frame4, "Video Window" },
        { Frame3, "Picture frame" },
        { Shape1, "Shape" },
    };
    for (const auto& [control, name] : names) {
        control->setAccessibleName(QLatin1String(name));
    }
    const std::pair<QLabel*, const char*> clocks[] {
        { Label7, "Start mark" },
        { Label9, "End mark" },
        { Label3, "Length of the selection" },
        { Label4, "Playing position" },
    };
    for (const auto& [label, description] : clocks) {
        label->setAccessibleDescription(QLatin1String(description));
    }
}

// Labels, frames, lines and the progress bar take no focus; the other controls take it in this order, and the
// browser pane, once it is made, after them.
void Form1::setTabOrderFromTable() {
    QWidget* const order[] { H, Command1, Command2, Command4, Command7, Command3, Command9, Command6, Command5 };
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    H->setFocus();
}

// Styles mark the focused control only once the keyboard has moved the focus, and a click hides the mark again. Here
// it shows whenever the window becomes active: from the start, and when a dialog or message box has closed.
void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        setAttribute(Qt::WA_KeyboardFocusChange);
        if (QWidget* const focused = focusWidget()) {
            focused->update();
        }
    }
}

// Every control's event meets its handler here: the buttons' clicked, H's MouseDown, MouseUp and Click, T's Tick.
void Form1::connectWorkflow() {
    // With no file open, the transport, the tick and the marks have nothing to act on.
    const auto whenFileIsOpen = [this](void (Form1::*handler)()) {
        return [this, handler] {
            if (fileIsOpen()) {
                (this->*handler)();
            }
        };
    };
    connect(Command3, &QPushButton::clicked, this, &Form1::onWebsite);
    connect(Command4, &QPushButton::clicked, this, &Form1::onOpen);
    connect(Command1, &QPushButton::clicked, this, whenFileIsOpen(&Form1::onPlayPause));
    connect(Command2, &QPushButton::clicked, this, whenFileIsOpen(&Form1::onStop));
    connect(T, &Timer::Tick, this, whenFileIsOpen(&Form1::onTick));
    connect(H, &Slider::MouseDown, this, &Form1::onSliderMouseDown);
    connect(H, &Slider::MouseUp, this, &Form1::onSliderMouseUp);
    connect(H, &Slider::Click, this, whenFileIsOpen(&Form1::onSliderClick));
    connect(Command5, &QPushButton::clicked, this, whenFileIsOpen(&Form1::onMarkStart));
    connect(Command6, &QPushButton::clicked, this, whenFileIsOpen(&Form1::onMarkEnd));
    connect(Command9, &QPushButton::clicked, this, &Form1::onPlaySelected);
    connect(Command7, &QPushButton::clicked, this, &Form1::onSave);
}

// The browser pane starts an engine of its own, which takes longer than the whole window; it is made, and pointed
// at the information page, once the window is on the screen. Nothing else waits for it.
void Form1::makeBrowserPane() {
    if (!isVisible() || !services_.makeBrowserPane) {
        return;
    }
    WebBrowser1 = services_.makeBrowserPane(
        this, twipsToPixels(0, 2520, 9615, 1215), Command5, QUrl(QLatin1String(kInfoPageAddress)));
}

// A queued call runs once this paint has reached the screen, not before it as a zero timer may under load. The given
// file goes first: its sound starts without waiting for the browser engine.
void Form1::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!std::exchange(painted_, true)) {
        if (!fileToOpenOnceShown_.isEmpty()) {
            QMetaObject::invokeMethod(
                this, [this] { openGivenFile(std::exchange(fileToOpenOnceShown_, {})); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(this, &Form1::makeBrowserPane, Qt::QueuedConnection);
    }
}

void Form1::openGivenFileOnceShown(const QString& path) {
    if (painted_) {
        openGivenFile(path);
    } else {
        fileToOpenOnceShown_ = path;
    }
}

// Said once, in a line above the information page: no box to dismiss, and every caption and label keeps its meaning.
void Form1::noteSilentOutput() {
    if (property(kPaneNoticeProperty).isValid()) {
        return;
    }
    if (const auto why = movie().whySilent()) {
        setProperty(kPaneNoticeProperty, QString::fromStdString(*why));
    }
}

MovieModule& Form1::movie() {
    if (!movie_) {
        movie_ = std::make_unique<MovieModule>(services_.movieHooks);
    }
    return *movie_;
}

platform::MessageAnswer Form1::messageBox(const QString& text, platform::MessageButtons buttons) {
    return services_.showMessage(this, text, buttons);
}

// The window goes on while the browser starts; only a failure is reported, once it is known.
void Form1::onWebsite() {
    const QString address = QLatin1String(kWebsiteAddress);
    services_.launch(platform::webAddressOpener(), { address }, [window = QPointer<Form1>(this), address](bool opened) {
        if (!opened && window) {
            window->messageBox(QStringLiteral("Cannot open %1: no web browser is set up on this desktop.").arg(address),
                platform::MessageButtons::Ok);
        }
    });
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    takeOverPlayback();
    movie().closeMovie();
    services_.endProgram();
}
