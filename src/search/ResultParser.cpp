#include "search/ResultParser.h"

#include <QRandomGenerator>

#include <cmath>

#include "framework/KrSettings.h"
#include "search/SearchKeys.h"

TResultParser::TResultParser() = default;

bool TResultParser::Prepare(TPatternMatcher& matcher, bool& bPrepared, QLatin1String key) {
    if (!bPrepared) {
        bPrepared = true;
        matcher.SetPattern(GlobalSettings()->GetSettingString(key));
    }
    if (!matcher.IsValid()) {
        FErrorText = key + QStringLiteral(": ") + matcher.ErrorText();
        return false;
    }
    return true;
}

bool TResultParser::ParseAnswer(const QString& strAnswer, TNameValueList& list) {
    if (!Prepare(FEntry, FEntryReady, SearchKeys::PatternEntry)) {
        return false;
    }
    FEntry.SetSubject(strAnswer);
    // An entry that yields nothing still takes its number.
    for (int n = 0; FEntry.Next(); ++n) {
        if (!ParseResultEntry(FEntry.Group(1), n, list)) {
            return false;
        }
    }
    if (!Prepare(FPages, FPagesReady, SearchKeys::PatternPages)) {
        return false;
    }
    FPages.SetSubject(strAnswer);
    for (int k = 0; FPages.Next(); ++k) {
        list.Append(QStringLiteral("PAGE%1=").arg(k) + FPages.Group(1));
    }
    return true;
}

bool TResultParser::ParseResultEntry(const QString& aEntry, int aIndex, TNameValueList& list) {
    const QString strIndex = QString::number(aIndex);
    const auto field = [&](TPatternMatcher& matcher, bool& bReady, QLatin1String key,
                           QString& strValue) -> int {
        if (!Prepare(matcher, bReady, key)) {
            return -1;
        }
        matcher.SetSubject(aEntry);
        if (!matcher.Next()) {
            return 0;
        }
        strValue = matcher.Group(1);
        return 1;
    };
    QString strValue;
    int found = field(FId, FIdReady, SearchKeys::PatternId, strValue);
    if (found <= 0) {
        return found == 0;
    }
    list.Append(QStringLiteral("ID") + strIndex + u'=' + strValue);
    found = field(FTitle, FTitleReady, SearchKeys::PatternTitle, strValue);
    if (found <= 0) {
        return found == 0;
    }
    list.Append(QStringLiteral("TITLE") + strIndex + u'=' + HtmlUnescape(strValue));
    found = field(FDuration, FDurationReady, SearchKeys::PatternDuration, strValue);
    if (found <= 0) {
        return found == 0;
    }
    list.Append(QStringLiteral("DURATION") + strIndex + u'=' + strValue);
    found = field(FPopularity, FPopularityReady, SearchKeys::PatternPopularity, strValue);
    if (found < 0) {
        return false;
    }
    list.Append(QStringLiteral("POPULARITY") + strIndex + u'=' +
                (found == 1 ? PopularityScore(strValue) : UnknownPopularity()));
    return true;
}

QString TResultParser::HtmlUnescape(const QString& s) {
    QString result = s;
    result.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    result.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    result.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return result;
}

QString TResultParser::PopularityScore(const QString& strViewCount) {
    QString strDigits = strViewCount;
    strDigits.remove(u',').remove(u' ');
    bool bOk = false;
    const int views = strDigits.toInt(&bOk, 10);
    int score = 10;
    if (bOk && views >= 1) {
        score = qBound(10, int(std::floor(3.0 * std::log2(double(views)))), 100);
    }
    return QString::number(score);
}

QString TResultParser::UnknownPopularity() {
    return QStringLiteral("4.") + QString::number(QRandomGenerator::global()->bounded(9));
}
