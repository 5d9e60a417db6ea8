#include "search/KeywordHistory.h"

#include "framework/KrSettings.h"
#include "search/SearchKeys.h"

namespace {

QString EntryKey(int i) {
    return SearchKeys::KeywordPrefix + QString::number(i);
}

// The count as stored, kept within 0..10 so that a damaged settings file cannot reach past the
// last entry.
int KeptCount(const TKrSettings* settings) {
    return qBound(0, settings->GetSettingInteger(SearchKeys::KeywordCount),
                  TKeywordHistory::KMaxKeywords);
}

}  // namespace

void TKeywordHistory::SaveKeyword(const QString& aKeyword) {
    if (aKeyword.isEmpty()) {
        return;
    }
    TKrSettings* settings = GlobalSettings();
    const int count = KeptCount(settings);
    // The settings file does not keep spaces at either end of a value, so a keyword is compared
    // as it will read back after a restart.
    const QString strKept = aKeyword.trimmed();
    for (int i = 0; i < count; ++i) {
        if (settings->GetSettingString(EntryKey(i)).trimmed() == strKept) {
            return;
        }
    }
    if (count < KMaxKeywords) {
        settings->SetSettingstring(EntryKey(count), aKeyword);
        settings->SetSettingInteger(SearchKeys::KeywordCount, count + 1);
        return;
    }
    for (int i = 0; i < KMaxKeywords - 1; ++i) {
        settings->SetSettingstring(EntryKey(i), settings->GetSettingString(EntryKey(i + 1)));
    }
    settings->SetSettingstring(EntryKey(KMaxKeywords - 1), aKeyword);
}

QStringList TKeywordHistory::Keywords() {
    const TKrSettings* settings = GlobalSettings();
    QStringList keywords;
    for (int i = KeptCount(settings) - 1; i >= 0; --i) {
        keywords.append(settings->GetSettingString(EntryKey(i)));
    }
    return keywords;
}

void TKeywordHistory::ClearKeyword() {
    GlobalSettings()->SetSettingInteger(SearchKeys::KeywordCount, 0);
}
