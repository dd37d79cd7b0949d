#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

/// One item of a built-in resource pack. Every item made in the process gets the next id.
class cResourcePackItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int resourceId READ resourceId CONSTANT)
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(QString type READ type CONSTANT)
    Q_PROPERTY(int originalWidth READ originalWidth CONSTANT)
    Q_PROPERTY(int originalHeight READ originalHeight CONSTANT)
    Q_PROPERTY(QStringList colours READ colours CONSTANT)

public:
    cResourcePackItem(
        QObject* parent, const QString& name, QByteArray data, QString type, QString secondText, QStringList list);

    virtual int originalWidth() const { return 0; }
    virtual int originalHeight() const { return 0; }
    virtual QString Text() const;
    virtual QImage Image() const { return QImage(); }
    virtual bool Recolourable() const { return false; }
    virtual QColor Colour() const;
    virtual QStringList colours() const { return QStringList(); }

    int resourceId() const { return mResourceId; }
    const QByteArray& Data() const { return mData; }
    QString name() const { return mName; }
    QString type() const { return mType; }
    const QString& SecondText() const { return mSecondText; }
    const QStringList& List() const { return mList; }

    /// The id the next item will take.
    static int NextResourceId() { return mNextResourceId.load(); }

private:
    static std::atomic<int> mNextResourceId;

    int mResourceId;
    QByteArray mData;
    QString mName;
    QString mType;
    QString mSecondText;
    QStringList mList;
};

/// An image of a built-in resource pack.
class cResourcePackImage : public cResourcePackItem
{
    Q_OBJECT

public:
    cResourcePackImage(QObject* parent, const QString& name, QByteArray data, QImage image, QString text,
        QString secondText, QStringList list, bool recolourable, QColor colour);

    int originalWidth() const override { return mImage.width(); }
    int originalHeight() const override { return mImage.height(); }
    QString Text() const override { return mText; }
    QImage Image() const override { return mImage; }
    bool Recolourable() const override { return mRecolourable; }
    QColor Colour() const override { return mColour; }

private:
    QString mText;
    QImage mImage;
    bool mRecolourable;
    QColor mColour;
};
