#include "app/accessibility.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"

#include <QAccessibleWidget>

namespace {

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit SliderAccessible(VolumeSlider *slider)
        : QAccessibleWidget(slider, QAccessible::Slider)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(slider()->realValue());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return slider()->realValue(); }
    // A value set by assistive technology acts as a key press: the slider's
    // request goes out.
    void setCurrentValue(const QVariant &value) override { slider()->setRealValue(value.toDouble()); }
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    VolumeSlider *slider() const { return static_cast<VolumeSlider *>(widget()); }
};

class StationAccessible : public QAccessibleWidget
{
public:
    explicit StationAccessible(StationCombo *box)
        : QAccessibleWidget(box, QAccessible::ComboBox)
    {
        addControllingSignal(QStringLiteral("changed()"));
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->currentText();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return { showMenuAction() }; }
    void doAction(const QString &name) override
    {
        if (name == showMenuAction())
            box()->showPopup();
    }

private:
    StationCombo *box() const { return static_cast<StationCombo *>(widget()); }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("VolumeSlider"))
        return new SliderAccessible(static_cast<VolumeSlider *>(object));
    if (className == QLatin1String("Banner"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
    if (className == QLatin1String("StationCombo"))
        return new StationAccessible(static_cast<StationCombo *>(object));
    // The window is a plain widget, which readers would take for a filler
    // inside something else; it is the program's frame.
    if (className == QLatin1String("Tmain"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed)
}
