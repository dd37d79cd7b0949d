#pragma once

#include "Quendle/Widgets/Base/Widget.h"

class cColourProperty;
class cComboProperty;
class cSizeFractionProperty;

/// A solid or gradient rectangle with rounded corners. Not bound to a unit. GUI thread only.
class cRectangleWidget : public cWidget
{
    Q_OBJECT
    Q_PROPERTY(QString colour READ colour NOTIFY colourChanged)
    Q_PROPERTY(float cornerRadius READ cornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(bool useGradient READ useGradient NOTIFY useGradientChanged)
    Q_PROPERTY(bool gradientTopToBottom READ gradientTopToBottom NOTIFY gradientTopToBottomChanged)
    Q_PROPERTY(QString gradientColourStart READ gradientColourStart NOTIFY gradientColourStartChanged)
    Q_PROPERTY(QString gradientColourEnd READ gradientColourEnd NOTIFY gradientColourEndChanged)

public:
    cRectangleWidget(int id, QObject* parent);

    /// The factory's creator; the configuration is not needed.
    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    static const QString& TypeKey();

    QString Type() const override { return TypeKey(); }
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;

    QString colour() const;
    float cornerRadius() const;
    bool useGradient() const;
    bool gradientTopToBottom() const;
    QString gradientColourStart() const;
    QString gradientColourEnd() const;

    cColourProperty* ColourProperty() const { return mColour; }
    cSizeFractionProperty* RadiusProperty() const { return mRadius; }
    cComboProperty* ColourModeProperty() const { return mColourMode; }
    cComboProperty* GradientStyleProperty() const { return mGradientStyle; }
    cColourProperty* GradientStartProperty() const { return mGradientStart; }
    cColourProperty* GradientEndProperty() const { return mGradientEnd; }

public Q_SLOTS:
    void SetPropertyVisibility();

Q_SIGNALS:
    void colourChanged();
    void cornerRadiusChanged();
    void useGradientChanged();
    void gradientTopToBottomChanged();
    void gradientColourStartChanged();
    void gradientColourEndChanged();

private:
    cColourProperty* mColour;
    cSizeFractionProperty* mRadius;
    cComboProperty* mColourMode;
    cComboProperty* mGradientStyle;
    cColourProperty* mGradientStart;
    cColourProperty* mGradientEnd;
};
