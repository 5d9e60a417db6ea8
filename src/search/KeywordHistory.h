#pragma once

#include <QStringList>

// The last ten searched keywords, kept in the user settings as "keyword0" (oldest) up to
// "keyword" + count - 1.
class TKeywordHistory {
public:
    static constexpr int KMaxKeywords = 10;

    // Adds a keyword unless it is empty or already kept (letter case counts); the oldest makes
    // room when ten are kept.
    static void SaveKeyword(const QString& aKeyword);
    // The kept keywords, newest first.
    static QStringList Keywords();
    // Forgets them; the stored entries stay but are no longer read.
    static void ClearKeyword();
};
