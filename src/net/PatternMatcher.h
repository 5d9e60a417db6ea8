#pragma once

#include <QByteArray>
#include <QString>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

// A PCRE2 matcher over the UTF-8 bytes of a text, with the two option sets the service patterns
// are written for (pages cut into entries, and fields or stream tables read line by line). Matches
// are found left to right, each search starting where the previous match ended. Patterns are
// JIT-compiled where the platform allows it.
class TPatternMatcher {
public:
    enum EOptions {
        // Entries cut from a whole answer: dot matches line breaks, quantifiers lazy by default.
        KEntryOptions,
        // Fields of one entry: UTF-8 and any line-break convention only.
        KFieldOptions
    };

    explicit TPatternMatcher(EOptions options);
    ~TPatternMatcher();
    TPatternMatcher(const TPatternMatcher&) = delete;
    TPatternMatcher& operator=(const TPatternMatcher&) = delete;

    // Compiles the pattern; false when it does not compile (an empty one included), with the
    // reason in ErrorText().
    bool SetPattern(const QString& strPattern);
    QString ErrorText() const { return FErrorText; }
    bool IsValid() const { return FCode != nullptr; }

    // The text to search; the next match is searched from its start.
    void SetSubject(const QString& strSubject);
    // Finds the next match; false when there is none (or no usable pattern). bNotEmpty refuses
    // a match of no characters, so that "a??" takes the "a".
    bool Next(bool bNotEmpty = false);
    // The first group of the first match that is not empty, searched from the start of the
    // subject; false when there is none. Group 1 of a pattern without groups is empty text.
    bool FirstGroup(const QString& strSubject, QString& strGroup);
    // The text of a capture group of the current match; empty when the group did not take part.
    QString Group(int iGroup) const;

    // The subject with every match replaced by strReplacement (inserted as it is).
    QString ReplaceAll(const QString& strSubject, const QString& strReplacement);

private:
    void FreeCode();

    EOptions FOptions;
    pcre2_real_code_8* FCode = nullptr;
    pcre2_real_match_data_8* FMatchData = nullptr;
    QString FErrorText;
    QByteArray FSubject;
    qsizetype FOffset = 0;
    bool FSubjectChecked = false;
    bool FHasMatch = false;
};
