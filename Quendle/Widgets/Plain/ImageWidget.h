#pragma once

#include "Quendle/Widgets/Base/Widget.h"

class cColourProperty;
class cImageProperty;
class cIntProperty;

/// Shows an image of the configuration (or a built-in one), tinted with its colour when the
/// configuration calls the image recolourable. Not bound to a unit. GUI thread only.
class cImageWidget : public cWidget
{
    Q_OBJECT
    Q_PROPERTY(QString imageIdentifier READ imageIdentifier NOTIFY imageIdentifierChanged)
    Q_PROPERTY(QString colour READ colour NOTIFY colourChanged)
    Q_PROPERTY(float opacity READ opacity NOTIFY opacityChanged)

public:
    cImageWidget(int id, QObject* parent, const cConfigBase& configuration);

    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    static const QString& TypeKey();

    QString Type() const override { return TypeKey(); }
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    QStringList ImageIdentifiers() override;
    void ReplaceImageId(const QString& oldId, const QString& newId) override;

    QString imageIdentifier() const;
    QString colour() const;
    /// Opacity in percent as a fraction: 100 is 1.0.
    float opacity() const;

    cImageProperty* ImageProperty() const { return mImage; }
    cColourProperty* ColourProperty() const { return mColour; }
    cIntProperty* OpacityProperty() const { return mOpacity; }

Q_SIGNALS:
    void imageIdentifierChanged();
    /// The image behind the id changed (the view asks the image provider again).
    void imageChanged();
    void colourChanged();
    void opacityChanged();

private Q_SLOTS:
    void SetPropertyVisibility();

private:
    const cConfigBase* mConfiguration;
    cImageProperty* mImage;
    cColourProperty* mColour;
    cIntProperty* mOpacity;
};
