#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/// Bytes from hex text: pairs of hex digits, whitespace between them ignored, "#" starts a comment
/// that runs to the end of the line.
QByteArray HexBytes(const QString& text);
/// Absolute path of a file under tests/data (ZUNET_TEST_DATA), e.g. "frames/hello.hex".
QString TestDataPath(const QString& relativePath);
/// Copies a file under tests/data to `to`, writable by its owner (the copy in the source tree may
/// be read-only, and the unit programs and clients store into theirs).
bool CopyTestData(const QString& relativePath, const QString& to);
/// The bytes of a hex file under tests/data; empty (and a test warning) when it cannot be read.
QByteArray LoadHexData(const QString& relativePath);
/// Names (without ".hex") of the hex files in a folder under tests/data, sorted.
QStringList HexDataNames(const QString& folder);
/// Upper-case hex with a space between bytes, for readable comparisons.
QString ToHex(const QByteArray& bytes);
