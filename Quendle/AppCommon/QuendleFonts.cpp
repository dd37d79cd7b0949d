#include "Quendle/AppCommon/QuendleFonts.h"

#include <QFileInfo>

const QString cQuendleFonts::mDefaultFontCode = QStringLiteral("lato");

const QMap<QString, QString> cQuendleFonts::mFontCodesToNames {
    { QStringLiteral("amaticsc"), QStringLiteral("Amatic SC") },
    { QStringLiteral("andada"), QStringLiteral("Andada") },
    { QStringLiteral("anticsans"), QStringLiteral("Antic Sans") },
    { QStringLiteral("belgrano"), QStringLiteral("Belgrano") },
    { QStringLiteral("blackhansans"), QStringLiteral("Black Han Sans") },
    { QStringLiteral("breeserif"), QStringLiteral("Bree Serif") },
    { QStringLiteral("crimsontext"), QStringLiteral("Crimson Text") },
    { QStringLiteral("encodesans"), QStringLiteral("Encode Sans") },
    { QStringLiteral("exo2"), QStringLiteral("Exo 2") },
    { QStringLiteral("fjordone"), QStringLiteral("Fjord One") },
    { QStringLiteral("glegoo"), QStringLiteral("Glegoo") },
    { QStringLiteral("ibmplexmono"), QStringLiteral("IBM Plex Mono") },
    { QStringLiteral("koho"), QStringLiteral("Ko-Ho") },
    { QStringLiteral("lato"), QStringLiteral("Lato") },
    { QStringLiteral("martelsans"), QStringLiteral("Martel Sans") },
    { QStringLiteral("mina"), QStringLiteral("Mina") },
    { QStringLiteral("poiretone"), QStringLiteral("Poiret One") },
    { QStringLiteral("shadowsintolight"), QStringLiteral("Shadows Into Light") },
};

QString cQuendleFonts::FontSource(const QString& fontCode)
{
    // Only codes of the table: any other text could name some other file of the resources.
    if (mFontCodesToNames.contains(fontCode) && QFileInfo(QStringLiteral(":/") + fontCode).isFile())
        return QStringLiteral("qrc:/") + fontCode;
    return QStringLiteral("qrc:/") + mDefaultFontCode;
}
