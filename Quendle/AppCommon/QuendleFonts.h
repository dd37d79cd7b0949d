#pragma once

#include <QMap>
#include <QObject>
#include <QString>

/// The program's fixed font table. A code is also the name of the font file in the resources
/// (QML loads "qrc:/" + code). Built before main: no other static initialiser may read it.
class cQuendleFonts
{
public:
    cQuendleFonts() = delete;

    static const QString mDefaultFontCode;
    /// Font code to family name, in code order.
    static const QMap<QString, QString> mFontCodesToNames;

    /// The font file a view loads for a code: "qrc:/" + code when the resources hold that code's
    /// file, else the default font's, so that a view never asks for a file that is not there.
    static QString FontSource(const QString& fontCode);
};

/// The font table for QML, the singleton "QuendleFonts" of the program's module.
class cQuendleFontsQml : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE QString fontSource(const QString& fontCode) const { return cQuendleFonts::FontSource(fontCode); }
};
