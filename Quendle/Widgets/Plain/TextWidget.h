#pragma once

#include "Quendle/Widgets/Base/Widget.h"

#include <QStringList>

class cColourProperty;
class cComboProperty;
class cFontProperty;
class cSizeFractionProperty;
class cTextBlockProperty;

/// A static text over an optional background with rounded corners. Not bound to a unit. GUI
/// thread only.
class cTextWidget : public cWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    Q_PROPERTY(QString textColour READ textColour NOTIFY textColourChanged)
    Q_PROPERTY(QString backgroundColour READ backgroundColour NOTIFY backgroundColourChanged)
    Q_PROPERTY(float cornerRadius READ cornerRadius NOTIFY cornerRadiusChanged)
    Q_PROPERTY(int textAlignment READ textAlignment NOTIFY textAlignmentChanged)
    Q_PROPERTY(QString textFont READ textFont NOTIFY textFontChanged)

public:
    cTextWidget(int id, QObject* parent);

    /// The factory's creator; the configuration is not needed.
    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    static const QString& TypeKey();
    /// Layout codes of the Align entries, in their order.
    static const QStringList& AlignmentCodes();

    /// Longer texts are cut as they are read: 4,096 characters fill a full-screen widget at the
    /// smallest readable size, and every character more only lengthens the view's fitting layout.
    static constexpr int kMaxTextLength = 4096;

    QString Type() const override { return TypeKey(); }
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;

    QString text() const;
    QString textColour() const;
    QString backgroundColour() const;
    float cornerRadius() const;
    /// A Qt alignment flag: Qt::AlignLeft, Qt::AlignRight, else Qt::AlignHCenter.
    int textAlignment() const;
    QString textFont() const;

    cTextBlockProperty* TextProperty() const { return mText; }
    cColourProperty* TextColourProperty() const { return mTextColour; }
    cColourProperty* BackgroundColourProperty() const { return mBackgroundColour; }
    cSizeFractionProperty* RadiusProperty() const { return mRadius; }
    cComboProperty* AlignProperty() const { return mAlign; }
    cFontProperty* FontProperty() const { return mFont; }

Q_SIGNALS:
    void textChanged();
    void textColourChanged();
    void backgroundColourChanged();
    void cornerRadiusChanged();
    void textAlignmentChanged();
    void textFontChanged();

private:
    /// The code of the selected Align entry; empty when the index lies outside the list.
    QString AlignmentCode() const;

    cTextBlockProperty* mText;
    cColourProperty* mTextColour;
    cColourProperty* mBackgroundColour;
    cSizeFractionProperty* mRadius;
    cComboProperty* mAlign;
    cFontProperty* mFont;
};
