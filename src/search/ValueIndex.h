#pragma once

#include <QHash>
#include <QString>

#include "framework/NameValueList.h"

// A hashed view of a name=value list with the list's own look-up rule (names without regard to
// case, the first line wins), so that walking thousands of numbered names stays linear.
class TValueIndex {
public:
    explicit TValueIndex(const TNameValueList& list);
    // A name given in lower case costs no conversion.
    QString Value(const QString& strName) const { return FValues.value(strName.toCaseFolded()); }

private:
    QHash<QString, QString> FValues;
};
