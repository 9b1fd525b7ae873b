// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QObject>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QWidget>

// Small controls with the property names the window's handlers use. Values are whole seconds on the slider,
// twips for the lines and plain numbers for the progress bar.

// A horizontal slider with ticks below the track, one per unit. MouseDown and MouseUp follow the mouse button;
// Click follows every change the user makes: a press and release on the slider, a key or the wheel. Setting
// Value from code raises no event.
class Slider : public QSlider {
    Q_OBJECT

public:
    explicit Slider(QWidget* parent);

    int Min() const { return minimum(); }
    void setMin(int value) { setMinimum(value); }
    int Max() const { return maximum(); }
    void setMax(int value) { setMaximum(value); }
    int Value() const { return value(); }
    bool Enabled() const { return isEnabled(); }

signals:
    void MouseDown();
    void MouseUp();
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool pressed_ = false;
};

// A straight line between (X1, Y1) and (X2, Y2), in twips of its parent's inside, drawn over the other controls
// and transparent to the mouse.
class LineShape : public QWidget {
    Q_OBJECT

public:
    LineShape(QWidget* parent, int x1, int y1, int x2, int y2);

    static constexpr int kWidthPixels = 2;
    static inline const QColor kColour { 0, 128, 0 };

    int X1() const { return x1_; }
    int Y1() const { return y1_; }
    int X2() const { return x2_; }
    int Y2() const { return y2_; }
    void setX1(int twips) { setCoordinate(x1_, twips); }
    void setY1(int twips) { setCoordinate(y1_, twips); }
    void setX2(int twips) { setCoordinate(x2_, twips); }
    void setY2(int twips) { setCoordinate(y2_, twips); }
    // Both ends to `twips`: the mark lines stand upright and move only sideways.
    void setX(int twips);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setCoordinate(int& coordinate, int twips);
    void place();

    int x1_;
    int y1_;
    int x2_;
    int y2_;
};

// A label for clock texts. A text too wide for it is drawn in a font just small enough to fit, so that long times
// show whole in the label's fixed size.
class ClockLabel : public QLabel {
    Q_OBJECT

public:
    explicit ClockLabel(QWidget* parent);

    QFont fontFor(const QString& text) const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A progress bar from 0 to Max, both single-precision numbers. A Value outside 0..Max shows as the nearer end.
class ProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit ProgressBar(QWidget* parent);

    float Max() const { return max_; }
    void setMax(float max);
    float Value() const { return value_; }
    void setValue(float value);

private:
    void showProgress();

    float max_ = 100;
    float value_ = 0;
};

// A repeating timer: Tick fires every Interval milliseconds while Enabled. Enabling a running timer leaves its
// count as it is; a new Interval starts a new count.
class Timer : public QObject {
    Q_OBJECT

public:
    explicit Timer(QObject* parent);

    int Interval() const { return timer_.interval(); }
    void setInterval(int milliseconds);
    bool Enabled() const { return timer_.isActive(); }
    void setEnabled(bool enabled);

signals:
    void Tick();

private:
    QTimer timer_;
};
