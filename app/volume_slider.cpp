#include "app/volume_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

VolumeSlider::VolumeSlider(double initial, QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
    , m_value(std::clamp(initial, 0.0, 100.0))
{
    setRange(0, 100 * Scale);
    setFocusPolicy(Qt::StrongFocus);
    showValue();
}

void VolumeSlider::showValue()
{
    QSlider::setValue(int(m_value * Scale + 0.5));
}

bool VolumeSlider::setRealValueQuietly(double value)
{
    value = std::clamp(value, 0.0, 100.0);
    if (value == m_value)
        return false;
    m_value = value;
    showValue();
    return true;
}

void VolumeSlider::setRealValue(double value)
{
    if (setRealValueQuietly(value))
        emit changed();
}

double VolumeSlider::valueAtPixel(int x) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    const int position = x - groove.x() - handle.width() / 2;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), position, span) / double(Scale);
}

void VolumeSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const QPoint at = event->position().toPoint();
    m_pressValue = m_value;
    m_dragging = true;
    // A press on the thumb drags it from where it was grabbed; a press on the
    // track puts the thumb there.
    const bool onThumb = handle.contains(at);
    m_grabOffset = onThumb ? at.x() - handle.center().x() : 0;
    if (!onThumb)
        setRealValueQuietly(valueAtPixel(at.x()));
    setSliderDown(true);
    event->accept();
}

void VolumeSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        event->ignore();
        return;
    }
    setRealValueQuietly(valueAtPixel(event->position().toPoint().x() - m_grabOffset));
    event->accept();
}

void VolumeSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_dragging = false;
    setSliderDown(false);
    event->accept();
    if (m_value != m_pressValue)
        emit changed();
}

void VolumeSlider::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        setRealValue(m_value - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        setRealValue(m_value + 1);
        break;
    case Qt::Key_Home:
        setRealValue(0);
        break;
    case Qt::Key_End:
        setRealValue(100);
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void VolumeSlider::wheelEvent(QWheelEvent *event)
{
    event->ignore(); // the wheel does not move the volume
}
