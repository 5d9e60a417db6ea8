#include "framework/NameValueList.h"

QString TNameValueList::Name(qsizetype i) const {
    const QString& line = FLines[i];
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.first(eq);
}

QString TNameValueList::ValueFromIndex(qsizetype i) const {
    const QString& line = FLines[i];
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.sliced(eq + 1);
}

qsizetype TNameValueList::IndexOfName(const QString& strName) const {
    for (qsizetype i = 0; i < FLines.size(); ++i) {
        const QString& line = FLines[i];
        const qsizetype eq = line.indexOf(u'=');
        if (eq == strName.size() &&
            QStringView(line).first(eq).compare(strName, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

QString TNameValueList::Value(const QString& strName) const {
    const qsizetype i = IndexOfName(strName);
    return i < 0 ? QString() : ValueFromIndex(i);
}

void TNameValueList::SetValue(const QString& strName, const QString& strValue) {
    const qsizetype i = IndexOfName(strName);
    if (strValue.isEmpty()) {
        if (i >= 0) {
            FLines.removeAt(i);
        }
    } else if (i >= 0) {
        FLines[i] = strName + u'=' + strValue;
    } else {
        FLines.append(strName + u'=' + strValue);
    }
}

QString TNameValueList::Text() const {
    QString text;
    for (const QString& line : FLines) {
        text += line + QStringLiteral("\r\n");
    }
    return text;
}
