// Fakes for the properties QML test: a widget-like owner with a root group of properties.

#include "Quendle/AppCommon/AppCommonQml.h"
#include "Quendle/Properties/Properties.h"
#include "Quendle/Properties/PropertiesQml.h"
#include "Quendle/Properties/PropertyGroup.h"
#include "tests/support/QuickTestMain.h"

#include <QtQml>

class cPropertyFixture : public QObject
{
    Q_OBJECT
    Q_PROPERTY(cPropertyGroup* root READ root CONSTANT)

public:
    cPropertyFixture()
    {
        auto* looks = new cPropertyGroup("Looks", this, false);
        looks->AppendPropertyOrGroup(new cColourProperty("Colour", Qt::black, this));
        looks->AppendPropertyOrGroup(new cComboProperty("Style", 0, { "flat", "raised" }, this));
        mRoot.AppendPropertyOrGroup(new cIntProperty("Count", 3, this, 0, 10));
        mRoot.AppendPropertyOrGroup(looks);
        mRoot.AppendPropertyOrGroup(new cCodeComboProperty("Mode", 2, { { 1, "one" }, { 2, "two" } }, this));
    }
    cPropertyGroup* root() { return &mRoot; }

private:
    cPropertyGroup mRoot { "Root", this, true };
};

void RegisterQuickTestTypes(QQmlEngine*)
{
    Quendle::RegisterAppCommonQmlTypes();
    Quendle::RegisterPropertiesQmlTypes();
    qmlRegisterType<cPropertyFixture>("ZUQmlTest", 1, 0, "PropertyFixture");
}

#include "qml_properties.moc"
