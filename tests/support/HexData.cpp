#include "tests/support/HexData.h"

#include <QDir>
#include <QFile>
#include <QtGlobal>

QByteArray HexBytes(const QString& text)
{
    QByteArray digits;
    for (QString line : text.split(QLatin1Char('\n'))) {
        const int comment = line.indexOf(QLatin1Char('#'));
        if (comment >= 0)
            line.truncate(comment);
        for (const QChar c : line) {
            if (c.isSpace())
                continue;
            if (!isxdigit(c.toLatin1())) {
                qWarning("HexBytes: not a hex digit: %s", qPrintable(QString(c)));
                return QByteArray();
            }
            digits.append(c.toLatin1());
        }
    }
    if (digits.size() % 2 != 0) {
        qWarning("HexBytes: odd number of hex digits");
        return QByteArray();
    }
    return QByteArray::fromHex(digits);
}

QString TestDataPath(const QString& relativePath)
{
    QString root = qEnvironmentVariable("ZUNET_TEST_DATA");
    if (root.isEmpty())
        root = QStringLiteral(ZUNET_SOURCE_TEST_DATA);
    return QDir(root).filePath(relativePath);
}

bool CopyTestData(const QString& relativePath, const QString& to)
{
    return QFile::copy(TestDataPath(relativePath), to)
        && QFile(to).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

QByteArray LoadHexData(const QString& relativePath)
{
    QFile file(TestDataPath(relativePath));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("LoadHexData: cannot read %s", qPrintable(file.fileName()));
        return QByteArray();
    }
    return HexBytes(QString::fromUtf8(file.readAll()));
}

QStringList HexDataNames(const QString& folder)
{
    QStringList names;
    const QStringList files
        = QDir(TestDataPath(folder)).entryList({ QStringLiteral("*.hex") }, QDir::Files, QDir::Name);
    for (const QString& file : files)
        names.append(file.chopped(4));
    return names;
}

QString ToHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
