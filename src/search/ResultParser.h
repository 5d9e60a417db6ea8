#pragma once

#include <QString>

#include "framework/NameValueList.h"
#include "net/PatternMatcher.h"

// Cuts a search answer into songs with the configured patterns and appends them to the search
// result list: "ID"/"TITLE"/"DURATION"/"POPULARITY" + n per entry, then "PAGE" + k per page link.
// The patterns are compiled once per answer.
class TResultParser {
public:
    TResultParser();

    // Parses the whole answer. Stops at the first pattern that does not compile and answers
    // false; the lines appended until then stay.
    bool ParseAnswer(const QString& strAnswer, TNameValueList& list);
    // The fields of one entry, up to the first that does not match. False when a field pattern
    // does not compile.
    bool ParseResultEntry(const QString& aEntry, int aIndex, TNameValueList& list);
    // Which pattern failed and why.
    QString ErrorText() const { return FErrorText; }

    // "&quot;", then "&#39;", then "&amp;" are decoded, in that order and once each.
    static QString HtmlUnescape(const QString& s);
    // 3 × log2 of the view count (grouping "," and spaces allowed), kept within 10..100; without
    // a view count "4." and a random digit below 9.
    static QString PopularityScore(const QString& strViewCount);
    static QString UnknownPopularity();

private:
    // Compiles on first use, so that a bad pattern is reported when the parse reaches it.
    bool Prepare(TPatternMatcher& matcher, bool& bPrepared, QLatin1String key);

    TPatternMatcher FEntry{TPatternMatcher::KEntryOptions};
    TPatternMatcher FPages{TPatternMatcher::KEntryOptions};
    TPatternMatcher FId{TPatternMatcher::KFieldOptions};
    TPatternMatcher FTitle{TPatternMatcher::KFieldOptions};
    TPatternMatcher FDuration{TPatternMatcher::KFieldOptions};
    TPatternMatcher FPopularity{TPatternMatcher::KFieldOptions};
    bool FEntryReady = false;
    bool FPagesReady = false;
    bool FIdReady = false;
    bool FTitleReady = false;
    bool FDurationReady = false;
    bool FPopularityReady = false;
    QString FErrorText;
};
