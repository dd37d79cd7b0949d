#pragma once

#include <QObject>
#include <QString>

/// The configuration as an image property sees it: it announces image resources by id as they
/// come, go or change, and hears when a property's image id changes. The configuration model
/// derives from it, so this library never needs the model.
class cImageResourceHost : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    void ResourceInserted(QString ResourceId);
    void ResourceRemoved(QString ResourceId);
    void ResourceChanged(QString ResourceId);

public Q_SLOTS:
    virtual void ImageResourceIdChanged() { }
};
