#include "app/controls.h"
#include "app/twips.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class SliderEvents : public testing::Test {
protected:
    SliderEvents() {
        window.resize(640, 100);
        slider->setGeometry(5, 10, 628, 25);
        slider->setRange(0, 100);
        window.show();
    }

    QWidget window;
    Slider* slider = new Slider(&window);
    QSignalSpy mouseDowns { slider, &Slider::MouseDown };
    QSignalSpy mouseUps { slider, &Slider::MouseUp };
    QSignalSpy clicks { slider, &Slider::Click };
};

TEST_F(SliderEvents, PressAndReleaseRaiseMouseDownMouseUpThenClick) {
    QStringList order;
    QObject::connect(slider, &Slider::MouseDown, [&] { order << "down"; });
    QObject::connect(slider, &Slider::MouseUp, [&] { order << "up"; });
    QObject::connect(slider, &Slider::Click, [&] { order << "click:" + QString::number(slider->Value()); });

    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(500, 12));
    EXPECT_EQ(order, QStringList { "down" });
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(500, 12));
    EXPECT_EQ(order, (QStringList { "down", "up", "click:" + QString::number(slider->Value()) }));
}

TEST_F(SliderEvents, OnlyAKeyThatMovesTheThumbCountsAsAClick) {
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Left);
    EXPECT_EQ(slider->Value(), 0);
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->Value(), 1);
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(slider->Value(), 6);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(mouseDowns.count() + mouseUps.count(), 0);
}

TEST_F(SliderEvents, SettingTheValueFromCodeOrClickingWhileDisabledRaisesNothing) {
    slider->setValue(42);
    slider->setMax(50);
    EXPECT_EQ(slider->Value(), 42);
    slider->setEnabled(false);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(500, 12));
    EXPECT_FALSE(slider->Enabled());
    EXPECT_EQ(clicks.count() + mouseDowns.count() + mouseUps.count(), 0);
}

TEST(LineShape, PaintsDarkGreenTwoPixelsWideAtItsCoordinatesInTwipsAndFollowsThem) {
    QWidget window;
    window.resize(642, 247);
    window.setStyleSheet(QStringLiteral("background: white"));
    LineShape line(&window, 210, 930, 210, 1035);
    const int margin = LineShape::kWidthPixels;
    EXPECT_EQ(line.geometry(),
        QRect(twipsToPixels(210) - margin, twipsToPixels(930) - margin, 2 * margin + 1,
            twipsToPixels(1035) - twipsToPixels(930) + 2 * margin + 1));
    EXPECT_TRUE(line.testAttribute(Qt::WA_TransparentForMouseEvents));
    const QImage image = window.grab().toImage();
    const int x = twipsToPixels(210);
    int greenColumns = 0;
    for (int column = x - 3; column <= x + 3; ++column) {
        greenColumns += image.pixelColor(column, twipsToPixels(1000)) == QColor(0, 128, 0) ? 1 : 0;
    }
    EXPECT_EQ(greenColumns, 2);

    line.setX1(4770);
    line.setX2(4770);
    EXPECT_EQ(line.geometry().center().x(), twipsToPixels(4770));
}

TEST(ProgressBar, KeepsFractionalValuesAndShowsTheirShareUpToFull) {
    QWidget window;
    ProgressBar bar(&window);
    bar.setMax(20097.0f);
    bar.setValue(4096.0f);
    EXPECT_EQ(bar.Max(), 20097.0f);
    EXPECT_EQ(bar.Value(), 4096.0f);
    const double shown = double(bar.value() - bar.minimum()) / (bar.maximum() - bar.minimum());
    EXPECT_NEAR(shown, 4096.0 / 20097.0, 1e-3);

    bar.setMax(10.0f);
    bar.setValue(25.0f);
    EXPECT_EQ(bar.Value(), 25.0f);
    EXPECT_EQ(bar.value(), bar.maximum());
    bar.setMax(0.0f);
    EXPECT_EQ(bar.value(), bar.minimum());
}

TEST(Timer, TicksOnlyWhileEnabled) {
    QObject owner;
    Timer timer(&owner);
    QSignalSpy ticks(&timer, &Timer::Tick);
    timer.setInterval(5);

    EXPECT_FALSE(ticks.wait(30));
    timer.setEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_TRUE(ticks.wait(200));
    timer.setEnabled(false);
    ticks.clear();
    EXPECT_FALSE(ticks.wait(30));
}

TEST(Timer, EnablingARunningTimerKeepsItsCount) {
    QObject owner;
    Timer timer(&owner);
    QSignalSpy ticks(&timer, &Timer::Tick);
    timer.setInterval(200);
    timer.setEnabled(true);
    QTest::qWait(100);
    timer.setEnabled(true);
    EXPECT_TRUE(ticks.count() > 0 || ticks.wait(150)) << "re-enabling must not restart the count";
}

} // namespace
