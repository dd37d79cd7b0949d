#pragma once

#include "Quendle/AppCommon/QQmlObjectListModel.h"
#include "Quendle/Widgets/Control/LevelControlWidgetBase.h"

#include <QObject>
#include <QString>

#include <list>
#include <string>

/// One mark of a fader's scale: its label and where it lies along the travel (0 at the bottom or
/// left end, 1 at the top or right end).
class cFaderScaleObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString label READ label WRITE setLabel NOTIFY labelChanged)
    Q_PROPERTY(double ratio READ ratio CONSTANT)

public:
    cFaderScaleObject(const QString& label, double ratio)
        : mLabel(label)
        , mRatio(ratio)
    {
    }

    QString label() const { return mLabel; }
    double ratio() const { return mRatio; }

public Q_SLOTS:
    void setLabel(const QString& label);

Q_SIGNALS:
    void labelChanged();

private:
    QString mLabel;
    const double mRatio;
};

/// A slider bound to one gain of the unit (a channel's main level or one of its sends), with a
/// scale of dB marks beside it, upright or on its side. QML writes `value` (0 at the bottom, 1 at
/// the top); the widget turns it into a gain code through the fader law or linearly between Min
/// Gain and Max Gain, and shows the unit's gain the same way back. The family leaves give the
/// channel and level types (`InitLeaf`), the type key and the request expressions.
class cZUNetFaderWidget : public cZUNetLevelControlWidgetBase
{
    Q_OBJECT
    Q_PROPERTY(QObject* faderScaleList READ faderScaleList CONSTANT)
    Q_PROPERTY(bool showFaderScale READ showFaderScale NOTIFY showFaderScaleChanged)
    Q_PROPERTY(QString orientation READ orientation NOTIFY orientationChanged)
    Q_PROPERTY(double value READ value WRITE setValue NOTIFY valueChanged)

public:
    using tScaleList = QQmlObjectListModel<cFaderScaleObject>;

    static const tCodeTable mOrientationIndexToCodes;

    cZUNetFaderWidget(int id, QObject* parent, const cConfigBase& configuration);

    void Init() override;
    void SetOnline() override;
    void LoadAttributes(QXmlStreamReader& reader) override;
    void WriteAttributes(QXmlStreamWriter& writer) const override;
    void ConnectSignalsAndSlots() override;
    void DriverValueChanged() override;
    void QmlValueChanged(double position) override;
    void PropertyAudioTaperChanged() override;

    /// The request key: level type / channel type / number [/ dest type / dest number].
    std::string RequestKey() const;
    /// Every key a fader over these tables can ask for: one expression per main level and channel
    /// type, one per send level, channel type and destination type (destination fastest).
    static std::list<std::string> RequestRegExps(const tCodeTable& levelTypes, const tCodeTable& channelTypes);

    QObject* faderScaleList() const { return mScaleList; }
    tScaleList* ScaleList() const { return mScaleList; }
    bool showFaderScale() const;
    QString orientation() const;
    double value() const { return mValue; }
    /// From QML: clamped to 0..1; a value that is not a finite number is ignored.
    void setValue(double value);

    /// The scale step for a span of gain: tens from 7.5 up, whole dB from 1, else 1.
    static int RoundGainStep(double step);
    /// Where a gain lies between Min Gain and Max Gain.
    double GetRatio(int db) const;

    cLazyCombo mShowScale;
    cLazyCombo mOrientation;

Q_SIGNALS:
    void showFaderScaleChanged();
    void orientationChanged();
    void valueChanged();

private Q_SLOTS:
    void UpdateFaderScaleList();
    void PropertyMinToInfChanged();

protected:
    /// The leaf's part of `Init`: the channel-type combos over `channelTypes`, the Level Type
    /// entries and codes of `levelTypes`, the connections and the visibility.
    void InitLeaf(const tCodeTable& channelTypes, const tCodeTable& levelTypes);

private:
    QString BottomLabel() const;

    tScaleList* mScaleList;
    double mValue = 0.0;
    bool mWriting = false;
};
