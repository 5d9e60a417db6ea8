#include "KeywordMatcher.h"

#include <algorithm>

#include "HtmlEscape.h"

namespace {

// Apostrophes belong to their word and vanish when it is folded, so "dont" finds "Don't".
bool IsApostrophe(QChar c) {
    return c == u'\'' || c == u'\u2019';
}

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing || IsApostrophe(c);
}

}  // namespace

TKeywordMatcher::TKeywordMatcher(const QString& strKeyword) {
    for (const QString& strWord : Words(strKeyword)) {
        FTerms.append(Fold(strWord));
    }
}

QStringList TKeywordMatcher::Words(const QString& strText) {
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= strText.size(); ++i) {
        const bool bWord = i < strText.size() && IsWordChar(strText[i]);
        if (bWord && start < 0) {
            start = i;
        } else if (!bWord && start >= 0) {
            words.append(strText.sliced(start, i - start));
            start = -1;
        }
    }
    return words;
}

QString TKeywordMatcher::Fold(const QString& strWord) {
    QString result;
    for (const QChar c : strWord.normalized(QString::NormalizationForm_D)) {
        if (c.category() != QChar::Mark_NonSpacing && !IsApostrophe(c)) {
            result += c;
        }
    }
    return result.toCaseFolded();
}

bool TKeywordMatcher::MatchesWord(const QString& strFoldedWord) const {
    for (const QString& strTerm : FTerms) {
        if (strFoldedWord.startsWith(strTerm)) {
            return true;
        }
    }
    return false;
}

bool TKeywordMatcher::MatchesAll(const QStringList& texts) const {
    if (FTerms.isEmpty()) {
        return false;
    }
    QStringList folded;
    for (const QString& strText : texts) {
        for (const QString& strWord : Words(strText)) {
            folded.append(Fold(strWord));
        }
    }
    for (const QString& strTerm : FTerms) {
        const bool bFound = std::any_of(folded.cbegin(), folded.cend(),
                                        [&](const QString& w) { return w.startsWith(strTerm); });
        if (!bFound) {
            return false;
        }
    }
    return true;
}

QString TKeywordMatcher::HighlightHtml(const QString& strText) const {
    QString result;
    qsizetype pos = 0;
    while (pos < strText.size()) {
        qsizetype end = pos;
        const bool bWord = IsWordChar(strText[pos]);
        while (end < strText.size() && IsWordChar(strText[end]) == bWord) {
            ++end;
        }
        const QString strPiece = strText.sliced(pos, end - pos);
        if (bWord && MatchesWord(Fold(strPiece))) {
            result += QStringLiteral("<b>") + HtmlEscape(strPiece) + QStringLiteral("</b>");
        } else {
            result += HtmlEscape(strPiece);
        }
        pos = end;
    }
    return result;
}
