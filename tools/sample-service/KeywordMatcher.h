#pragma once

#include <QString>
#include <QStringList>

// Forgiving keyword matching: a text matches when each keyword word is the beginning of one of
// its words. Words are runs of letters and digits; letter case, accents and apostrophes do not
// count, so "cafe" finds "Café" and "dont" finds "Don't".
class TKeywordMatcher {
public:
    explicit TKeywordMatcher(const QString& strKeyword);

    bool IsEmpty() const { return FTerms.isEmpty(); }
    // Whether every keyword word begins a word of at least one of the texts.
    bool MatchesAll(const QStringList& texts) const;
    // The text HTML-escaped, with each word that a keyword word begins set in bold.
    QString HighlightHtml(const QString& strText) const;

    static QStringList Words(const QString& strText);
    static QString Fold(const QString& strWord);

private:
    bool MatchesWord(const QString& strFoldedWord) const;

    QStringList FTerms;
};
