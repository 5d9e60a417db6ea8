#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "framework/KrTextFile.h"

// An INI document held in memory: the one reader and writer of the settings store, the language
// tables and the task list file.
//
// Sections start with "[name]"; entries are "name=value", split at the first "=", both sides
// trimmed; lines starting with ";" and lines before the first section are ignored. Section and
// entry names compare without regard to case and the first of two equal names wins, on reading
// and on writing. The file's encoding (byte-order mark) is remembered and kept on save.
class TKrIniFile {
public:
    struct TEntry {
        QString Name;
        QString Value;
    };

    TKrIniFile() = default;

    // Replaces the content with the file's; a missing or unreadable file gives an empty document
    // and false.
    bool LoadFromFile(const QString& strPath);
    void LoadFromString(const QString& strText);
    void Clear();

    // The document as INI text with CR LF line ends.
    QString ToString() const;
    // Writes the document atomically in its encoding; false when the file could not be written,
    // in which case the file on disk is unchanged.
    bool SaveToFile(const QString& strPath) const;

    ETextEncoding Encoding() const { return FEncoding; }
    void SetEncoding(ETextEncoding encoding) { FEncoding = encoding; }

    bool SectionExists(const QString& strSection) const;
    bool ValueExists(const QString& strSection, const QString& strName) const;
    // The value, or strDefault when the section or name is absent.
    QString ReadString(const QString& strSection, const QString& strName,
                       const QString& strDefault = QString()) const;
    // Replaces the value of the first entry of that name, or appends a new entry.
    void WriteString(const QString& strSection, const QString& strName, const QString& strValue);
    void DeleteKey(const QString& strSection, const QString& strName);
    void EraseSection(const QString& strSection);

    QStringList Sections() const;
    // The entries of a section in file order, duplicates included.
    QList<TEntry> SectionEntries(const QString& strSection) const;
    // The distinct names of a section in file order.
    QStringList SectionNames(const QString& strSection) const;

private:
    struct TSection {
        QString Name;
        QList<TEntry> Entries;
        QHash<QString, qsizetype> FirstIndex;  // folded name -> first entry of that name

        void Append(const QString& strName, const QString& strValue);
        void Reindex();
    };

    static QString Fold(const QString& str) { return str.toCaseFolded(); }
    const TSection* FindSection(const QString& strSection) const;
    TSection& SectionForWrite(const QString& strSection);

    QList<TSection> FSections;
    QHash<QString, qsizetype> FSectionIndex;  // folded name -> first section of that name
    ETextEncoding FEncoding = ETextEncoding::KUtf8;
};
