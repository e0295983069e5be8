#pragma once

#include <QSlider>

// A horizontal slider from 0 to 100 that holds a real value. Its `changed`
// signal runs once each time the value has changed, and only then: at the
// release after a drag or a click on the track (not when the value at release
// equals the one before), for each key (Left and Up lower by 1, Right and Down
// raise by 1, Home 0, End 100), and when the program sets a different value.
class VolumeSlider : public QSlider
{
    Q_OBJECT

public:
    explicit VolumeSlider(double initial, QWidget *parent = nullptr);

    double realValue() const { return m_value; }
    // Sets a value held within 0 to 100; emits `changed` when it differs.
    void setRealValue(double value);
    // The same without the signal, for callers that run the handler themselves;
    // returns whether the value changed.
    bool setRealValueQuietly(double value);

signals:
    void changed();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    static constexpr int Scale = 100; // positions per unit of value
    double valueAtPixel(int x) const;
    void showValue();

    double m_value;
    double m_pressValue = 0;
    bool m_dragging = false;
    int m_grabOffset = 0;
};
