// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_icon.h"
#include "app/seconds_to_clock.h"
#include "app/twips.h"
#include "platform/launcher.h"
#include "support/workflow_harness.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QMenu>
#include <QShortcut>
#include <QStyle>
#include <QTest>
#include <QWebEngineView>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using test_support::WorkflowHarness;

// The browser pane's engine starts only once the window is on the screen; so does a file given at start.
TEST(Window, ShowsTheInformationPageAndTheGivenFileOnceOnTheScreen) {
    WorkflowHarness harness;
    Form1& window = harness.window();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.WebBrowser1, nullptr);
    const QString song = harness.folder() + "/song.mp3";
    test_support::writeSilentMp3(song.toStdString(), std::chrono::seconds(3));
    window.openGivenFileOnceShown(song);
    EXPECT_EQ(window.sourceFile, "");
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.WebBrowser1 && !window.WebBrowser1->url().isEmpty(); }, 10000));
    EXPECT_EQ(window.sourceFile, song);
    window.openGivenFileOnceShown(harness.folder() + "/gone.mp3"); // once shown, it opens at once
    EXPECT_EQ(window.sourceFile, "");
    EXPECT_EQ(window.Cdlg->InitDir, harness.folder()); // where the next Open and the Save dialog start
    EXPECT_EQ(window.WebBrowser1->url().toString(), "qrc:/tuneshear/info.html?product=tuneshear-1.0");
    // The built-in page's menu offers nothing to navigate; with nothing selected, only Select All.
    emit window.WebBrowser1->customContextMenuRequested(QPoint(10, 10));
    const auto* menu = window.WebBrowser1->findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions(), QList { window.WebBrowser1->pageAction(QWebEnginePage::SelectAll) });
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        if (control->objectName().isEmpty() || control->objectName().startsWith("qt_")) {
            continue;
        }
        QAccessibleInterface* const accessible = QAccessible::queryAccessibleInterface(const_cast<QWidget*>(control));
        EXPECT_FALSE((accessible->text(QAccessible::Name) + accessible->text(QAccessible::Description)).isEmpty())
            << control->objectName().toStdString() << " has nothing for a screen reader to say";
    }
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    QStringList tabOrder;
    for (QWidget* control = window.H; tabOrder.size() < 9; control = control->nextInFocusChain()) {
        tabOrder << (control->focusPolicy() & Qt::TabFocus ? QStringList { control->objectName() } : QStringList());
    }
    EXPECT_EQ(tabOrder.join(' '), "H Command1 Command2 Command4 Command7 Command3 Command9 Command6 Command5");
    QStringList oncePerPress; // the edge previews; held, every other key acts again and again
    for (const QShortcut* shortcut : window.findChildren<QShortcut*>()) {
        oncePerPress << (shortcut->autoRepeat() ? QStringList() : QStringList { shortcut->key().toString() });
    }
    EXPECT_EQ(oncePerPress.join(' '), "[ ]");
    // Clock texts of any 32-bit count fit; one too wide is drawn in a font smaller by just enough.
    for (const QLabel* label : { window.Label7, window.Label9, window.Label3, window.Label4 }) {
        for (const QString& text : { QString(" 9 : 59 : 59"), SecondsToClock(2120000338), SecondsToClock(INT32_MIN) }) {
            QFont font = qobject_cast<const ClockLabel*>(label)->fontFor(text);
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(text), label->width()) << text.toStdString();
            font.setPixelSize(font.pixelSize() + 1);
            EXPECT_TRUE(font.pixelSize() > label->font().pixelSize()
                || QFontMetrics(font).horizontalAdvance(text) > label->width())
                << label->objectName().toStdString() << " shrinks " << text.toStdString() << " more than needed";
        }
    }
}

// WCAG's contrast of two colours: 1 for the same, 21 for black and white.
double contrast(const QColor& one, const QColor& other) {
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
    };
    const double first = luminance(one);
    const double second = luminance(other);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

// Each clock as painted, in a light palette and in a dark one (the backgrounds of a dark GTK theme): its text's
// strongest pixel stands out from the background by at least WCAG's 4.5.
TEST(Window, ClockTextsContrastWithTheirBackgroundsInLightAndDarkThemes) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    for (const auto& [role, colour] : { std::pair { QPalette::Window, 0x323232 }, { QPalette::WindowText, 0xeeeeec },
             { QPalette::Base, 0x242424 }, { QPalette::Text, 0xffffff } }) {
        dark.setColor(role, QColor::fromRgb(colour));
    }
    for (const QPalette& palette : { QApplication::style()->standardPalette(), dark }) {
        QApplication::setPalette(palette);
        const Form1 window;
        for (QLabel* const label : { window.Label7, window.Label9, window.Label3, window.Label4 }) {
            label->setText(" 1 : 2 : 3");
            const QImage image = label->grab().toImage();
            const QColor background = image.pixelColor(0, 0);
            double strongest = 1;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    strongest = std::max(strongest, contrast(image.pixelColor(x, y), background));
                }
            }
            EXPECT_GE(strongest, 4.5) << label->objectName().toStdString() << " on " << background.name().toStdString();
        }
    }
    QApplication::setPalette(before);
}

// -reverse mirrors the dialogs, not the window: the slider still runs left to right and the clocks read as they do.
TEST(Window, LooksTheSameInARightToLeftLayout) {
    Form1 window;
    window.Label4->setText(" 1 : 2 : 3");
    window.grab(); // the slider's first paint, which fills the style's caches, draws its ticks in another colour
    const QImage leftToRight = window.grab().toImage();
    QApplication::setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(window.grab().toImage(), leftToRight);
    QApplication::setLayoutDirection(Qt::LeftToRight);
}

TEST(Launcher, SaysWhetherTheProgramEndedWell) {
    for (const auto& [program, succeeds] : { std::pair { "true", true }, { "false", false } }) {
        std::optional<bool> succeeded;
        platform::launchDetached(program, {}, [&succeeded](bool ended) { succeeded = ended; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return succeeded.has_value(); }, 10000));
        EXPECT_EQ(succeeded, succeeds) << program;
    }
}

// Each value as whole seconds on a clock, each part after a blank or minus, and as milliseconds in its tooltip.
TEST(Clocks, WriteSecondsAfterABlankOrMinusAndTheirTooltipsTheMillisecond) {
    const std::tuple<int32_t, const char*, const char*> rows[] { { 0, " 0 : 0 : 0", "0:00:00.000" },
        { 65, " 0 : 1 : 5", "0:00:00.065" }, { 3723, " 1 : 2 : 3", "0:00:03.723" },
        { -3723, "-1 :-2 :-3", "-0:00:03.723" }, { 83456, " 23 : 10 : 56", "0:01:23.456" },
        { 36000007, " 10000 : 0 : 7", "10:00:00.007" }, { INT32_MAX, " 596523 : 14 : 7", "596:31:23.647" },
        { INT32_MIN, "-596523 :-14 :-8", "-596:31:23.648" } };
    for (const auto& [value, clock, exact] : rows) {
        EXPECT_EQ(SecondsToClock(value) + " " + exactClockText(value), QString(clock) + " " + exact);
    }
}

TEST(Controls, SliderRaisesMouseDownMouseUpThenClickAndOnlyAMovingKeyClicks) {
    QWidget window;
    window.resize(640, 100);
    auto* slider = new Slider(&window);
    slider->setGeometry(5, 10, 628, 25);
    slider->setRange(0, 100);
    window.show();
    QStringList order;
    QObject::connect(slider, &Slider::MouseDown, [&] { order << "down"; });
    QObject::connect(slider, &Slider::MouseUp, [&] { order << "up"; });
    QObject::connect(slider, &Slider::Click, [&] { order << "click " + QString::number(slider->Value()); });
    slider->setFocus();
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(500, 12)); // no press before it: no click
    QTest::keyClick(slider, Qt::Key_Left);
    QTest::keyClick(slider, Qt::Key_PageUp);
    slider->setValue(42);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(500, 12));
    EXPECT_EQ(order.join(", "), "click 5, down, up, click " + QString::number(slider->Value()));
    slider->setEnabled(false);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(100, 12));
    EXPECT_EQ(order.size(), 4);
}

TEST(Controls, LinePaintsTwoPixelsOfDarkGreenWhereItsTwipsSay) {
    QWidget window;
    window.resize(642, 247);
    window.setStyleSheet(QStringLiteral("background: white"));
    LineShape line(&window, 4000, 930, 4000, 1035);
    line.setX1(210);
    line.setX2(210);
    const QImage image = window.grab().toImage();
    int greenColumns = 0;
    for (int column = 10; column <= 18; ++column) {
        greenColumns += image.pixelColor(column, twipsToPixels(1000)) == QColor(0, 128, 0) ? 1 : 0;
    }
    EXPECT_EQ(greenColumns, 2);
    ProgressBar bar(&window); // more than its maximum shows it full
    bar.setMax(20097.0F);
    bar.setValue(30000.0F);
    EXPECT_EQ(bar.value(), bar.maximum());
    const QImage icon = drawAppIcon(32).toImage(); // the bars keep a margin inside the tile
    for (const int x : { 1, 2, 29, 30 }) {
        EXPECT_EQ(icon.pixelColor(x, 16), QColor(0, 100, 0)) << x;
    }
}

} // namespace
