#pragma once

#include <QByteArray>
#include <QString>

// Text rules shared by both tag versions. ISO-8859-1 stands for the "8-bit" character set the
// tags are defined in.
namespace ID3Text {

// Without trailing characters up to U+0020 (spaces, control characters, zero bytes).
QString TrimRight(const QString& strText);
// Without such characters at either end.
QString Trim(const QString& strText);

// Whether every character fits ISO-8859-1.
bool IsLatin1(const QString& strText);
// The text with each character ISO-8859-1 cannot hold replaced by one "?".
QString ToLatin1Chars(const QString& strText);

}  // namespace ID3Text
