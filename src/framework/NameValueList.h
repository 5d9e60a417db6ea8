#pragma once

#include <QString>
#include <QStringList>

// Ordered "name=value" lines. Names compare without regard to case and the first line with a
// name wins; appending a line never replaces one; setting a name to an empty value removes it.
// Used for service information, result and category lists, task comments and link parameters.
class TNameValueList {
public:
    TNameValueList() = default;
    explicit TNameValueList(const QStringList& lines) : FLines(lines) {}

    qsizetype Count() const { return FLines.size(); }
    bool IsEmpty() const { return FLines.isEmpty(); }
    const QStringList& Lines() const { return FLines; }
    const QString& Line(qsizetype i) const { return FLines[i]; }
    void Clear() { FLines.clear(); }

    // Appends a raw line as it is, even when its name is already present.
    void Append(const QString& strLine) { FLines.append(strLine); }

    QString Name(qsizetype i) const;
    QString ValueFromIndex(qsizetype i) const;
    qsizetype IndexOfName(const QString& strName) const;
    bool Contains(const QString& strName) const { return IndexOfName(strName) >= 0; }
    QString Value(const QString& strName) const;
    // Replaces the first line of the name, appends one when absent; an empty value removes it.
    void SetValue(const QString& strName, const QString& strValue);

    // Lines as "name=value" joined by CR LF, as a text block.
    QString Text() const;

    bool operator==(const TNameValueList& other) const = default;

private:
    QStringList FLines;
};
