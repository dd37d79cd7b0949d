#pragma once

#include "Quendle/Widgets/Base/Widget.h"
#include "Quendle/Widgets/WidgetHelpers.h"

#include <QList>
#include <QPair>
#include <QString>

class cColourProperty;
class cComboProperty;
class cFontProperty;
class cSizeFractionProperty;
class cStringProperty;

/// Shows the local clock of the device: a digital time, an analogue face or a date only. It holds
/// only the choices and hands QML ready-made Qt date and time formats; QML reads the clock and
/// redraws. No timer, not bound to a unit. GUI thread only.
class cDateTimeWidget : public cWidget
{
    Q_OBJECT
    Q_PROPERTY(QString faceFormat READ faceFormat NOTIFY faceFormatChanged)
    Q_PROPERTY(QString timeFormat READ timeFormat NOTIFY timeFormatChanged)
    Q_PROPERTY(QString dateFormat READ getSelectedDateFormat NOTIFY selectedDateFormatChanged)
    Q_PROPERTY(QString font READ font NOTIFY fontChanged)
    Q_PROPERTY(QString colour READ colour NOTIFY colourChanged)
    Q_PROPERTY(QString backgroundColour READ backgroundColour NOTIFY backgroundColourChanged)
    Q_PROPERTY(QString borderColour READ borderColour NOTIFY borderColourChanged)
    Q_PROPERTY(bool showBorder READ showBorder NOTIFY showBorderChanged)
    Q_PROPERTY(float cornerRadius READ cornerRadius NOTIFY cornerRadiusChanged)

public:
    /// (label shown in the combo, code written in the layout and handed to QML).
    using tCodeTable = cCodeTable;

    static const tCodeTable mFaceTypesToCodes;
    static const tCodeTable mDigitalTimeTypesToCodes;
    static const tCodeTable mAnalogueTimeTypesToCodes;
    static const tCodeTable mDateTypesToCodes;
    static const tCodeTable mYesNoTypesToCodes;

    cDateTimeWidget(int id, QObject* parent);

    /// The factory's creator; the configuration is not needed.
    static cWidget* CreateWidget(int id, QObject* parent, const cConfigBase& configuration);
    /// Longer custom date formats are cut as they are read: the longest of the table is 18
    /// characters, and the clock formats and fits the date four times a second.
    static constexpr int kMaxCustomDateFormatLength = 64;
    static const QString& TypeKey();

    QString Type() const override { return TypeKey(); }
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;

    QString faceFormat() const;
    /// The digital face's time format, or the analogue one for any other face.
    QString timeFormat() const;
    /// The date table's code of the selection, "hidden" and "custom" included.
    QString dateFormat() const;
    /// As `dateFormat`, with "custom" replaced by the custom format text.
    QString getSelectedDateFormat() const;
    QString customDateFormatString() const;
    QString font() const;
    QString colour() const;
    QString backgroundColour() const;
    QString borderColour() const;
    bool showBorder() const;
    float cornerRadius() const;

    cComboProperty* FaceFormatProperty() const { return mFaceFormat; }
    cComboProperty* DigitalTimeProperty() const { return mDigitalTime; }
    cComboProperty* AnalogueTimeProperty() const { return mAnalogueTime; }
    cComboProperty* DateFormatProperty() const { return mDateFormat; }
    cComboProperty* ShowBorderProperty() const { return mShowBorder; }
    cFontProperty* FontProperty() const { return mFont; }
    cColourProperty* ColourProperty() const { return mColour; }
    cColourProperty* BackgroundColourProperty() const { return mBackgroundColour; }
    cColourProperty* BorderColourProperty() const { return mBorderColour; }
    cSizeFractionProperty* RadiusProperty() const { return mRadius; }
    cStringProperty* CustomDateFormatProperty() const { return mCustomDateFormat; }

public Q_SLOTS:
    void SetPropertyVisibility();

Q_SIGNALS:
    void faceFormatChanged();
    void timeFormatChanged();
    void selectedDateFormatChanged();
    void fontChanged();
    void colourChanged();
    void backgroundColourChanged();
    void borderColourChanged();
    void showBorderChanged();
    void cornerRadiusChanged();
    // For QML; the widget itself never emits these.
    void timeChanged();
    void dateChanged();
    void customDateFormatStringChanged();

private:
    cComboProperty* mFaceFormat;
    cComboProperty* mDigitalTime;
    cComboProperty* mAnalogueTime;
    cComboProperty* mDateFormat;
    cComboProperty* mShowBorder;
    cFontProperty* mFont;
    cColourProperty* mColour;
    cColourProperty* mBackgroundColour;
    cColourProperty* mBorderColour;
    cSizeFractionProperty* mRadius;
    cStringProperty* mCustomDateFormat;
};
