#include "ResolverSteps.h"

#include <QRegularExpression>
#include <QStringList>

#include "PcrePattern.h"
#include "framework/KrUtils.h"
#include "framework/NameValueList.h"

namespace {

QStringList Lines(const QString& strText) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return strText.split(lineBreak);
}

QString LineValue(const QStringList& lines, const QString& strName) {
    for (const QString& strLine : lines) {
        const qsizetype eq = strLine.indexOf(u'=');
        if (eq >= 0 && strLine.first(eq).compare(strName, Qt::CaseInsensitive) == 0) {
            return strLine.sliced(eq + 1);
        }
    }
    return {};
}

QString Decoded(const QString& strText) {
    QString strResult;
    return KrUtils::FormDecode(strText, strResult) ? strResult : QString();
}

}  // namespace

namespace ResolverSteps {

QString InfoToken(const QString& strAnswer) {
    TNameValueList params;
    KrUtils::ParseLinkParams(strAnswer, params, true);
    return params.Value(QStringLiteral("token"));
}

QString WatchToken(const QString& strPage, const QString& strPattern, const QString& strSplit,
                   bool bDecode) {
    const TPcrePattern pattern(strPattern, TPcrePattern::EUse::KResolver);
    QString strText = pattern.FirstGroup(strPage).value_or(QString());
    strText.replace(strSplit, QStringLiteral("\r\n"));
    strText.replace(u':', u'=');
    strText.remove(u'"');
    strText.remove(u' ');
    const QString strToken = LineValue(Lines(strText), QStringLiteral("t"));
    return bDecode ? Decoded(strToken) : strToken;
}

QString StreamTableAddress(const QString& strPage, const QString& strPattern) {
    const TPcrePattern pattern(strPattern, TPcrePattern::EUse::KResolver);
    QString strText = pattern.FirstGroup(strPage).value_or(strPage);
    strText.replace(u'&', QStringLiteral("\r\n"));
    const QString strTable = Decoded(LineValue(Lines(strText), QStringLiteral("fmt_stream_map")));
    QString strAddress;
    for (const QString& strEntry : strTable.split(u',')) {
        const QStringList parts = strEntry.split(u'|');
        if (parts.size() < 2) {
            continue;
        }
        if (strAddress.isEmpty() || KrUtils::StrToIntDefault(parts[0], 0) >= 6) {
            strAddress = parts[1];
        }
    }
    return strAddress;
}

}  // namespace ResolverSteps
