// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/controls.h"

#include "app/twips.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

Slider::Slider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setSingleStep(1);
    setPageStep(5);
}

void Slider::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    emit MouseDown();
    QSlider::mousePressEvent(event);
}

void Slider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (!pressed_) {
        return;
    }
    pressed_ = false;
    emit MouseUp();
    emit Click();
}

void Slider::keyPressEvent(QKeyEvent* event) {
    const int before = value();
    QSlider::keyPressEvent(event);
    if (value() != before) {
        emit Click();
    }
}

void Slider::wheelEvent(QWheelEvent* event) {
    const int before = value();
    QSlider::wheelEvent(event);
    if (value() != before) {
        emit Click();
    }
}

LineShape::LineShape(QWidget* parent, int x1, int y1, int x2, int y2)
    : QWidget(parent)
    , x1_(x1)
    , y1_(y1)
    , x2_(x2)
    , y2_(y2) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    place();
}

void LineShape::setCoordinate(int& coordinate, int twips) {
    coordinate = twips;
    place();
}

void LineShape::setX(int twips) {
    x1_ = twips;
    x2_ = twips;
    place();
}

// The widget covers the line's ends and the pen around them; the line is painted inside it.
void LineShape::place() {
    const QRect ends = QRect(twipsToPixels(x1_, y1_), twipsToPixels(x2_, y2_)).normalized();
    setGeometry(ends.adjusted(-kWidthPixels, -kWidthPixels, kWidthPixels, kWidthPixels));
    raise();
    update();
}

void LineShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(kColour, kWidthPixels, Qt::SolidLine, Qt::FlatCap));
    const QPoint origin = pos();
    const QPointF centre(0.5 * (kWidthPixels % 2), 0.5 * (kWidthPixels % 2));
    painter.drawLine(
        QPointF(twipsToPixels(x1_, y1_) - origin) + centre, QPointF(twipsToPixels(x2_, y2_) - origin) + centre);
}

ClockLabel::ClockLabel(QWidget* parent)
    : QLabel(parent) { }

QFont ClockLabel::fontFor(const QString& text) const {
    QFont font = this->font();
    const int width = contentsRect().width();
    for (int pixels = QFontInfo(font).pixelSize(); pixels > 1 && QFontMetrics(font).horizontalAdvance(text) > width;) {
        font.setPixelSize(--pixels);
    }
    return font;
}

void ClockLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setLayoutDirection(layoutDirection());
    painter.setFont(fontFor(text()));
    painter.drawText(contentsRect(), static_cast<int>(alignment()), text());
}

namespace {

constexpr int kProgressSteps = 10000;

} // namespace

ProgressBar::ProgressBar(QWidget* parent)
    : QProgressBar(parent) {
    setRange(0, kProgressSteps);
    setTextVisible(false);
    showProgress();
}

void ProgressBar::setMax(float max) {
    max_ = max;
    showProgress();
}

void ProgressBar::setValue(float value) {
    value_ = value;
    showProgress();
}

void ProgressBar::showProgress() {
    const double fraction = max_ > 0 ? std::clamp(double { value_ } / max_, 0.0, 1.0) : 0.0;
    QProgressBar::setValue(static_cast<int>(std::lround(fraction * kProgressSteps)));
}

Timer::Timer(QObject* parent)
    : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &Timer::Tick);
}

void Timer::setInterval(int milliseconds) {
    timer_.setInterval(milliseconds);
}

void Timer::setEnabled(bool enabled) {
    if (!enabled) {
        timer_.stop();
    } else if (!timer_.isActive()) {
        timer_.start();
    }
}
