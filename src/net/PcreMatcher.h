#pragma once

#include <QString>

// A PCRE2 pattern over UTF-8 text as the service pages are read: case-sensitive, any of the
// usual line-break sequences ends a line, the dot does not cross line breaks, and empty matches
// are refused.
class TPcreMatcher {
public:
    explicit TPcreMatcher(const QString& strPattern);
    ~TPcreMatcher();
    TPcreMatcher(const TPcreMatcher&) = delete;
    TPcreMatcher& operator=(const TPcreMatcher&) = delete;

    // False when the pattern does not compile.
    bool IsValid() const { return FCode != nullptr; }
    // The first group of the first match; false when nothing matches.
    bool FirstGroup(const QString& strSubject, QString& strGroup) const;

private:
    struct pcre2_real_code_8* FCode = nullptr;
};
