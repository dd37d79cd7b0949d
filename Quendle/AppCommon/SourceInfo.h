#pragma once

#include <QObject>
#include <QString>

/// One source (input) of a source selector: its name and channel colour, fed by two drivers.
class cSourceInfo : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString sourceName READ sourceName NOTIFY nameChanged)
    Q_PROPERTY(QString sourceColour READ sourceColour NOTIFY colourChanged)

public:
    explicit cSourceInfo(QObject* parent = nullptr, const QString& name = QString(), const QString& colour = QString());

    QString sourceName() const { return mSourceName; }
    QString sourceColour() const { return mSourceColour; }

public Q_SLOTS:
    void SetSourceName(QString Name);
    /// Stores the colour name without a signal; nothing in the program calls it.
    void SetSourceColour(QString Colour);
    /// A mixer channel colour index, through cChannelColourHelper.
    void SetSourceColourFromChannelColour(int Colour);

Q_SIGNALS:
    void nameChanged();
    void colourChanged();

private:
    QString mSourceName;
    QString mSourceColour;
};
