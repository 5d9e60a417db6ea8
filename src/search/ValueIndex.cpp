#include "search/ValueIndex.h"

TValueIndex::TValueIndex(const TNameValueList& list) {
    FValues.reserve(list.Count());
    for (const QString& line : list.Lines()) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) {
            continue;
        }
        const QString strName = line.first(eq).toCaseFolded();
        if (!FValues.contains(strName)) {
            FValues.insert(strName, line.sliced(eq + 1));
        }
    }
}
