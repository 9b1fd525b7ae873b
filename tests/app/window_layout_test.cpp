#include "app/form1.h"
#include "app/seconds_to_clock.h"
#include "app/twips.h"
#include "support/window_fakes.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QTest>
#include <QUrlQuery>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <ostream>

namespace {

// One window for all layout cases: the browser pane it makes once shown is costly.
class WindowLayout : public testing::Test {
protected:
    static void SetUpTestSuite() {
        fakes = std::make_unique<test_support::WindowFakes>();
        window = std::make_unique<Form1>(fakes->services());
        window->show();
        if (!QTest::qWaitFor([] { return window->WebBrowser1 != nullptr; }, 10000)) {
            FAIL() << "the browser pane never came";
        }
    }
    static void TearDownTestSuite() {
        window.reset();
        fakes.reset();
    }

    static inline std::unique_ptr<test_support::WindowFakes> fakes;
    static inline std::unique_ptr<Form1> window;
};

struct ControlPlacement {
    const char* name;
    const char* container;
    int left;
    int top;
    int width;
    int height;
    bool shown;
};

std::ostream& operator<<(std::ostream& out, const ControlPlacement& row) {
    return out << row.name;
}

// Positions in twips of the container's inside.
const ControlPlacement kPlacements[] {
    { "Frame1", "Form1", 1860, 15, 5955, 870, true },
    { "Command5", "Form1", 2745, 180, 1350, 330, true },
    { "Command6", "Form1", 4200, 180, 1350, 330, true },
    { "Command9", "Form1", 5670, 195, 1530, 330, true },
    { "Label7", "Frame1", 1095, 615, 945, 180, true },
    { "Label9", "Frame1", 2535, 615, 915, 180, true },
    { "Label3", "Frame1", 4050, 615, 1005, 180, true },
    { "H", "Form1", 75, 1065, 9420, 375, true },
    { "Label4", "Form1", 7650, 1440, 1860, 240, true },
    { "Command1", "Form1", 195, 1575, 1005, 330, true },
    { "Command2", "Form1", 1290, 1575, 1005, 330, true },
    { "Command4", "Form1", 2385, 1575, 1005, 330, true },
    { "Command7", "Form1", 3465, 1575, 1005, 330, true },
    { "Command3", "Form1", 4545, 1575, 1185, 330, true },
    { "pb", "Form1", 105, 2040, 9405, 390, true },
    { "WebBrowser1", "Form1", 0, 2520, 9615, 1215, true },
    { "P", "Form1", 1020, 7005, 5295, 4215, false },
    { "Frame4", "P", -75, 4590, 5775, 4815, false },
    { "Frame3", "Frame4", -195, 3645, 5295, 4215, false },
    { "Shape1", "Form1", 360, -4185, 15, 15, true },
};

class ControlPlacementTest : public WindowLayout, public testing::WithParamInterface<ControlPlacement> { };

TEST_P(ControlPlacementTest, SitsInItsContainerAtItsPlaceInTwips) {
    const auto& row = GetParam();
    const auto* control = window->findChild<QWidget*>(QLatin1String(row.name));
    ASSERT_NE(control, nullptr);
    const QString container
        = control->parentWidget() == window.get() ? QStringLiteral("Form1") : control->parentWidget()->objectName();
    EXPECT_EQ(container, QLatin1String(row.container));
    EXPECT_EQ(control->geometry(), twipsToPixels(row.left, row.top, row.width, row.height));
    EXPECT_EQ(!control->isHidden(), row.shown);
}

INSTANTIATE_TEST_SUITE_P(EveryControl, ControlPlacementTest, testing::ValuesIn(kPlacements),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TwipsToPixels, CountsFifteenTwipsToAPixelAndRoundsToTheNearest) {
    for (const auto& [twips, pixels] : std::vector<std::pair<int, int>> {
             { 0, 0 }, { 9630, 642 }, { 170, 11 }, { 9400, 627 }, { 8, 1 }, { 7, 0 }, { -75, -5 }, { -8, -1 } }) {
        EXPECT_EQ(twipsToPixels(twips), pixels) << twips;
    }
}

TEST_F(WindowLayout, IsAFixedSizeWindowWithCaptionIconAndNoMaximiseButton) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tuneshear 1.0"));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(window->size(), QSize(twipsToPixels(9630), twipsToPixels(3705)));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    const auto sizes = window->windowIcon().availableSizes();
    for (const int side : { 16, 24, 32, 48 }) {
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    }
}

TEST_F(WindowLayout, StartsWithEveryControlInItsFirstStateAndNoMediaObject) {
    const std::pair<QPushButton*, const char*> buttons[] { { window->Command5, "Mark Start" },
        { window->Command6, "Mark End" }, { window->Command9, "Play Selected" }, { window->Command1, "Play" },
        { window->Command2, "Stop" }, { window->Command4, "Open" }, { window->Command7, "Save" },
        { window->Command3, "Website" } };
    for (const auto& [button, caption] : buttons) {
        EXPECT_EQ(button->text(), QLatin1String(caption)) << button->objectName().toStdString();
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    }
    for (const auto* label : { window->Label7, window->Label9, window->Label3, window->Label4 }) {
        EXPECT_TRUE(label->text().isEmpty()) << label->objectName().toStdString();
        EXPECT_EQ(label->alignment(), Qt::AlignCenter) << label->objectName().toStdString();
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    }
    for (const auto* label : { window->Label7, window->Label9, window->Label3 }) {
        EXPECT_TRUE(label->autoFillBackground());
        EXPECT_EQ(label->palette().color(QPalette::Window), label->palette().color(QPalette::Base));
    }

    const auto* slider = window->H;
    EXPECT_EQ(slider->orientation(), Qt::Horizontal);
    EXPECT_EQ((std::vector { slider->Min(), slider->Max(), slider->Value(), slider->singleStep(), slider->pageStep(),
                  slider->tickInterval() }),
        (std::vector { 0, 10, 0, 1, 5, 1 }));
    EXPECT_EQ(slider->tickPosition(), QSlider::TicksBelow);
    EXPECT_TRUE(slider->Enabled());

    EXPECT_FALSE(window->T->Enabled());
    EXPECT_EQ(window->T->Interval(), 1000);

    EXPECT_EQ(window->pb->Max(), 100.0f);
    EXPECT_EQ(window->pb->Value(), 0.0f);
    EXPECT_EQ(window->pb->value(), window->pb->minimum());

    EXPECT_EQ((std::vector { window->Line1->X1(), window->Line1->Y1(), window->Line1->X2(), window->Line1->Y2() }),
        (std::vector { 210, 930, 210, 1035 }));
    EXPECT_EQ((std::vector { window->Line2->X1(), window->Line2->Y1(), window->Line2->X2(), window->Line2->Y2() }),
        (std::vector { 9345, 930, 9345, 1035 }));

    EXPECT_EQ(window->markStart, 0);
    EXPECT_EQ(window->markEnd, 0);
    EXPECT_TRUE(window->sourceFile.isEmpty());
    EXPECT_EQ(window->markScale, 0);
    EXPECT_TRUE(fakes->mediaCommands.empty());
}

TEST_F(WindowLayout, MarkLinesLieOverTheSliderAndSelectionButtonsInFrontOfTheirFrame) {
    const auto siblings = window->children();
    for (const auto* line : { window->Line1, window->Line2 }) {
        EXPECT_GT(siblings.indexOf(line), siblings.indexOf(window->H));
        EXPECT_GT(siblings.indexOf(line), siblings.indexOf(window->Frame1));
    }
    for (const auto* button : { window->Command5, window->Command6, window->Command9 }) {
        EXPECT_GT(siblings.indexOf(button), siblings.indexOf(window->Frame1));
    }
}

TEST_F(WindowLayout, CaptionsAndClockTextsFitTheirControls) {
    for (auto* button : window->findChildren<QPushButton*>()) {
        const QFontMetrics metrics(button->font());
        EXPECT_LE(metrics.height(), button->height() - 4) << button->objectName().toStdString();
        EXPECT_LE(metrics.horizontalAdvance(button->text()), button->width() - 12)
            << button->objectName().toStdString();
    }
    // Clock texts of any 32-bit count fit; one too wide is drawn in a font smaller by just enough.
    const QString texts[] { " 9 : 59 : 59", "-9 :-6 :-8", " 10 : 35 : 58", SecondsToClock(2120000338),
        SecondsToClock(std::numeric_limits<int32_t>::max()), SecondsToClock(std::numeric_limits<int32_t>::min()) };
    for (const QLabel* label : { window->Label7, window->Label9, window->Label3, window->Label4 }) {
        const auto* clock = qobject_cast<const ClockLabel*>(label);
        ASSERT_NE(clock, nullptr);
        for (const QString& text : texts) {
            SCOPED_TRACE(label->objectName().toStdString() + " showing \"" + text.toStdString() + '"');
            QFont font = clock->fontFor(text);
            EXPECT_LE(QFontMetrics(font).tightBoundingRect(text).height(), label->height());
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(text), label->width());
            font.setPixelSize(font.pixelSize() + 1);
            EXPECT_TRUE(font.pixelSize() > label->font().pixelSize()
                || QFontMetrics(font).horizontalAdvance(text) > label->width());
        }
    }
}

TEST_F(WindowLayout, BrowserPaneShowsTheBuiltInInformationPage) {
    ASSERT_TRUE(QTest::qWaitFor([] { return !window->WebBrowser1->url().isEmpty(); }, 10000));
    const QUrl address = window->WebBrowser1->url();
    EXPECT_EQ(address.scheme(), QStringLiteral("qrc"));
    EXPECT_EQ(address.path(), QStringLiteral("/tuneshear/info.html"));
    EXPECT_EQ(QUrlQuery(address).queryItemValue(QStringLiteral("product")), QStringLiteral("tuneshear-1.0"));
    QFile page(QStringLiteral(":") + address.path());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray html = page.readAll();
    EXPECT_TRUE(html.contains("Mark Start"));
    EXPECT_FALSE(html.contains("http")) << "the page must load nothing from the network";
}

// The control a widget in the focus chain stands for: itself, or the named control it is part of (the browser
// pane takes focus through an inner widget).
QString controlTakingFocus(const QWidget* widget, const QStringList& controls) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        if (controls.contains(widget->objectName())) {
            return widget->objectName();
        }
    }
    return QString();
}

TEST_F(WindowLayout, TabMovesFocusAmongTheControlsInTheirOrderAndBackToTheFirst) {
    const QStringList expected { "H", "Command1", "Command2", "Command4", "Command7", "Command3", "Command9",
        "Command6", "Command5", "WebBrowser1", "H" };
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(QTest::qWaitFor([] { return window->WebBrowser1->focusProxy() != nullptr; }));
    window->H->setFocus();
    QStringList visited { "H" };
    for (int press = 0; press < 40 && visited.size() < expected.size(); ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::qWait(20);
        const QString control = controlTakingFocus(QApplication::focusWidget(), expected);
        if (control != visited.last()) {
            visited.append(control);
        }
    }
    EXPECT_EQ(visited.join(' ').toStdString(), expected.join(' ').toStdString());
}

TEST_F(WindowLayout, EnterOrReturnOnAFocusedButtonClicksIt) {
    const auto launchesBefore = fakes->launches.size();
    QTest::keyClick(window->Command3, Qt::Key_Return);
    QTest::keyClick(window->Command3, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(fakes->launches.size(), launchesBefore + 2);
}

// A screen reader names each control by its accessible name, or for a blank clock by what it is for.
TEST_F(WindowLayout, EveryControlHasSomethingForScreenReadersToSay) {
    QStringList names { "Line1", "Line2" };
    for (const ControlPlacement& row : kPlacements) {
        names << QLatin1String(row.name);
    }
    for (const QString& name : names) {
        auto* const control = window->findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name.toStdString();
        QAccessibleInterface* const accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr) << name.toStdString();
        const QString said = accessible->text(QAccessible::Name) + accessible->text(QAccessible::Description);
        EXPECT_FALSE(said.trimmed().isEmpty()) << name.toStdString();
    }
}

// The browser pane's engine starts only once the window is on the screen.
TEST(BrowserPane, IsMadeAfterTheWindowIsFirstPainted) {
    test_support::WindowFakes fakes;
    Form1 window(fakes.services());
    QCoreApplication::processEvents();
    EXPECT_EQ(window.WebBrowser1, nullptr);
    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.WebBrowser1 != nullptr; }, 10000));
}

} // namespace
