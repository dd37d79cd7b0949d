#include "Quendle/Properties/Property.h"

cPropertyBase::cPropertyBase(const QString& name, QObject* parent)
    : QObject(parent)
    , mName(name)
{
}

cProperty::cProperty(const QString& name, ePropertyType type, QObject* parent, bool editable)
    : cPropertyBase(name, parent)
    , mType(type)
    , mEditable(editable)
{
}

void cProperty::setVisible(bool visible)
{
    if (visible == mVisible)
        return;
    mVisible = visible;
    Q_EMIT visibleChanged(mVisible);
}

void cProperty::SetEditable(bool editable)
{
    if (editable == mEditable)
        return;
    mEditable = editable;
    Q_EMIT editableChanged();
}

void cProperty::setStringValue(const QString&) { }
