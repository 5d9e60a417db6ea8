#include "framework/KrIniFile.h"

#include <QStringView>

void TKrIniFile::TSection::Append(const QString& strName, const QString& strValue) {
    FirstIndex.insert(Fold(strName), Entries.size());  // callers append only unseen names
    Entries.append({strName, strValue});
}

void TKrIniFile::TSection::Reindex() {
    FirstIndex.clear();
    for (qsizetype i = Entries.size() - 1; i >= 0; --i) {
        FirstIndex.insert(Fold(Entries[i].Name), i);
    }
}

bool TKrIniFile::LoadFromFile(const QString& strPath) {
    TKrText text;
    const bool bRead = KrTextFile::Read(strPath, text);
    LoadFromString(text.Text);
    FEncoding = text.Encoding;
    return bRead;
}

void TKrIniFile::Clear() {
    FSections.clear();
    FSectionIndex.clear();
}

void TKrIniFile::LoadFromString(const QString& strText) {
    Clear();
    TSection* current = nullptr;
    qsizetype pos = 0;
    const qsizetype length = strText.size();
    while (pos <= length) {
        qsizetype end = pos;
        while (end < length && strText[end] != u'\n' && strText[end] != u'\r') {
            ++end;
        }
        const QStringView line = QStringView(strText).sliced(pos, end - pos).trimmed();
        // A CR LF pair ends one line, not two.
        pos = (end + 1 < length && strText[end] == u'\r' && strText[end + 1] == u'\n') ? end + 2
                                                                                       : end + 1;
        if (line.isEmpty() || line.startsWith(u';')) {
            continue;
        }
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = &SectionForWrite(line.sliced(1, line.size() - 2).trimmed().toString());
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (current == nullptr || eq < 0) {
            continue;
        }
        const QString strName = line.first(eq).trimmed().toString();
        if (strName.isEmpty()) {
            continue;
        }
        const QString strValue = line.sliced(eq + 1).trimmed().toString();
        if (current->FirstIndex.contains(Fold(strName))) {
            current->Entries.append({strName, strValue});  // kept for rewriting, never read
        } else {
            current->Append(strName, strValue);
        }
    }
}

QString TKrIniFile::ToString() const {
    QString text;
    for (const TSection& section : FSections) {
        text += u'[' + section.Name + QStringLiteral("]\r\n");
        for (const TEntry& entry : section.Entries) {
            text += entry.Name + u'=' + entry.Value + QStringLiteral("\r\n");
        }
        text += QStringLiteral("\r\n");
    }
    return text;
}

bool TKrIniFile::SaveToFile(const QString& strPath) const {
    return KrTextFile::WriteAtomic(strPath, KrTextFile::Encode(ToString(), FEncoding));
}

const TKrIniFile::TSection* TKrIniFile::FindSection(const QString& strSection) const {
    const auto it = FSectionIndex.constFind(Fold(strSection));
    return it == FSectionIndex.cend() ? nullptr : &FSections[*it];
}

TKrIniFile::TSection& TKrIniFile::SectionForWrite(const QString& strSection) {
    const QString strKey = Fold(strSection);
    const auto it = FSectionIndex.constFind(strKey);
    if (it != FSectionIndex.cend()) {
        return FSections[*it];
    }
    FSectionIndex.insert(strKey, FSections.size());
    FSections.append(TSection{strSection, {}, {}});
    return FSections.last();
}

bool TKrIniFile::SectionExists(const QString& strSection) const {
    return FindSection(strSection) != nullptr;
}

bool TKrIniFile::ValueExists(const QString& strSection, const QString& strName) const {
    const TSection* section = FindSection(strSection);
    return section != nullptr && section->FirstIndex.contains(Fold(strName));
}

QString TKrIniFile::ReadString(const QString& strSection, const QString& strName,
                               const QString& strDefault) const {
    const TSection* section = FindSection(strSection);
    if (section == nullptr) {
        return strDefault;
    }
    const auto it = section->FirstIndex.constFind(Fold(strName));
    return it == section->FirstIndex.cend() ? strDefault : section->Entries[*it].Value;
}

void TKrIniFile::WriteString(const QString& strSection, const QString& strName,
                             const QString& strValue) {
    TSection& section = SectionForWrite(strSection);
    const auto it = section.FirstIndex.constFind(Fold(strName));
    if (it != section.FirstIndex.cend()) {
        section.Entries[*it].Value = strValue;
    } else {
        section.Append(strName, strValue);
    }
}

void TKrIniFile::DeleteKey(const QString& strSection, const QString& strName) {
    const auto sectionIt = FSectionIndex.constFind(Fold(strSection));
    if (sectionIt == FSectionIndex.cend()) {
        return;
    }
    TSection& section = FSections[*sectionIt];
    const QString strKey = Fold(strName);
    const auto removed = section.Entries.removeIf(
        [&strKey](const TEntry& entry) { return Fold(entry.Name) == strKey; });
    if (removed > 0) {
        section.Reindex();
    }
}

void TKrIniFile::EraseSection(const QString& strSection) {
    const auto it = FSectionIndex.constFind(Fold(strSection));
    if (it == FSectionIndex.cend()) {
        return;
    }
    FSections.removeAt(*it);
    FSectionIndex.clear();
    for (qsizetype i = 0; i < FSections.size(); ++i) {
        FSectionIndex.insert(Fold(FSections[i].Name), i);
    }
}

QStringList TKrIniFile::Sections() const {
    QStringList names;
    names.reserve(FSections.size());
    for (const TSection& section : FSections) {
        names.append(section.Name);
    }
    return names;
}

QList<TKrIniFile::TEntry> TKrIniFile::SectionEntries(const QString& strSection) const {
    const TSection* section = FindSection(strSection);
    return section == nullptr ? QList<TEntry>() : section->Entries;
}

QStringList TKrIniFile::SectionNames(const QString& strSection) const {
    QStringList names;
    const TSection* section = FindSection(strSection);
    if (section == nullptr) {
        return names;
    }
    for (qsizetype i = 0; i < section->Entries.size(); ++i) {
        if (section->FirstIndex.value(Fold(section->Entries[i].Name)) == i) {
            names.append(section->Entries[i].Name);
        }
    }
    return names;
}
