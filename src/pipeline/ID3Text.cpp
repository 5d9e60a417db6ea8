#include "pipeline/ID3Text.h"

#include <QList>

#include <algorithm>

namespace ID3Text {

namespace {
bool IsBlank(QChar c) {
    return c.unicode() <= 0x20;
}
}  // namespace

QString TrimRight(const QString& strText) {
    qsizetype iEnd = strText.size();
    while (iEnd > 0 && IsBlank(strText[iEnd - 1])) {
        --iEnd;
    }
    return strText.left(iEnd);
}

QString Trim(const QString& strText) {
    qsizetype iStart = 0;
    while (iStart < strText.size() && IsBlank(strText[iStart])) {
        ++iStart;
    }
    return TrimRight(strText.mid(iStart));
}

bool IsLatin1(const QString& strText) {
    return std::all_of(strText.begin(), strText.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

QString ToLatin1Chars(const QString& strText) {
    QString strResult;
    strResult.reserve(strText.size());
    for (const uint c : strText.toUcs4()) {
        strResult += c <= 0xFF ? QChar(static_cast<char16_t>(c)) : QChar(u'?');
    }
    return strResult;
}

}  // namespace ID3Text
