#pragma once

#include <QMap>
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
};
