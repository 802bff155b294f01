#include "widgets/skin_accessible.h"

#include "widgets/skin_button.h"
#include "widgets/skin_slider.h"

#include <QAccessibleWidget>

namespace ostrel {

namespace {

class SkinButtonAccessible final : public QAccessibleWidget {
public:
    explicit SkinButtonAccessible(CSkinButton* pButton) : QAccessibleWidget(pButton, QAccessible::Button) {}

    // Asked each time: the window may make it an indicator after the interface was made.
    QAccessible::Role role() const override { return Button()->AccessibleRole(); }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        const CSkinButton* pButton = Button();
        if (pButton->Mode() == CSkinButton::Toggle) {
            s.checkable = true;
            s.checked = pButton->GetCheck();
        } else {
            s.pressed = pButton->GetCheck();
        }
        return s;
    }
    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (Button()->isEnabled() && role() != QAccessible::Indicator)
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString& strAction) override
    {
        if (strAction == pressAction())
            Button()->Click();
        else
            QAccessibleWidget::doAction(strAction);
    }

private:
    CSkinButton* Button() const { return static_cast<CSkinButton*>(widget()); }
};

class SkinSliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SkinSliderAccessible(CSkinSlider* pSlider) : QAccessibleWidget(pSlider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    // The operator moves the time with the mouse; a screen reader reads it.
    QVariant currentValue() const override { return Slider()->GetPos(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return Slider()->GetRangeMax(); }
    QVariant minimumValue() const override { return Slider()->GetRangeMin(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    CSkinSlider* Slider() const { return static_cast<CSkinSlider*>(widget()); }
};

QAccessibleInterface* SkinFactory(const QString& strClassName, QObject* pObject)
{
    if (strClassName == QLatin1String(CSkinButton::staticMetaObject.className()))
        return new SkinButtonAccessible(static_cast<CSkinButton*>(pObject));
    if (strClassName == QLatin1String(CSkinSlider::staticMetaObject.className()))
        return new SkinSliderAccessible(static_cast<CSkinSlider*>(pObject));
    return nullptr;
}

} // namespace

void InstallSkinAccessibility()
{
    static const bool bInstalled = [] {
        QAccessible::installFactory(SkinFactory);
        return true;
    }();
    (void)bInstalled;
}

} // namespace ostrel
