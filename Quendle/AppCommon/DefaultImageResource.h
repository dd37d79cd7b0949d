#pragma once

#include "Quendle/AppCommon/Resource.h"

/// A built-in image offered beside a configuration's own: it has no pixels of its own and is
/// never written to a configuration file.
class cDefaultImageResource : public cResource
{
    Q_OBJECT
    Q_PROPERTY(int originalWidth READ originalWidth CONSTANT)
    Q_PROPERTY(int originalHeight READ originalHeight CONSTANT)

public:
    cDefaultImageResource(QObject* parent, const QString& resourceId, const QString& name, const cConfigBase* config);

    QString type() const override;
    void WriteXml(QXmlStreamWriter& writer, bool writeIds) const override;

    int originalWidth() const { return 0; }
    int originalHeight() const { return 0; }
};
