#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;

// A pattern compiled with the options the program's readers use for it, so that a test applies
// the shipped patterns exactly as the program will.
class TPcrePattern {
public:
    enum class EUse {
        // Entries of an answer: UTF-8, any line break, dot matches line breaks, lazy quantifiers.
        KEntries,
        // Fields inside one entry: UTF-8 and any line break only.
        KFields,
        // The stream resolver: as fields, and empty matches refused.
        KResolver,
    };

    TPcrePattern(const QString& strPattern, EUse use);
    ~TPcrePattern();
    TPcrePattern(const TPcrePattern&) = delete;
    TPcrePattern& operator=(const TPcrePattern&) = delete;

    bool IsValid() const { return FCode != nullptr; }
    QString Error() const { return FError; }

    // Group 1 of the first match.
    std::optional<QString> FirstGroup(const QString& strSubject) const;
    // Group 1 of every match, left to right, each search starting where the previous one ended.
    QStringList AllFirstGroups(const QString& strSubject) const;

private:
    pcre2_real_code_8* FCode = nullptr;
    quint32 FMatchOptions = 0;
    QString FError;
};
