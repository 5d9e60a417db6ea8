#include "net/CommaText.h"

namespace {

bool IsBreak(QChar c) {
    return c <= u' ' || c == u',';
}

bool NeedsQuotes(const QString& strLine) {
    for (const QChar c : strLine) {
        if (IsBreak(c) || c == u'"') {
            return true;
        }
    }
    return false;
}

}  // namespace

namespace CommaText {

QString Join(const QStringList& lines) {
    if (lines.size() == 1 && lines[0].isEmpty()) {
        return QStringLiteral("\"\"");
    }
    QStringList parts;
    parts.reserve(lines.size());
    for (const QString& strLine : lines) {
        if (NeedsQuotes(strLine)) {
            QString strQuoted = strLine;
            strQuoted.replace(u'"', QLatin1String("\"\""));
            parts.append(u'"' + strQuoted + u'"');
        } else {
            parts.append(strLine);
        }
    }
    return parts.join(u',');
}

QStringList Split(const QString& strText) {
    QStringList lines;
    const qsizetype size = strText.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < size && strText[i] <= u' ') {
            ++i;
        }
    };
    skipBlanks();
    while (i < size) {
        QString strLine;
        if (strText[i] == u'"') {
            for (++i; i < size; ++i) {
                if (strText[i] == u'"') {
                    if (i + 1 < size && strText[i + 1] == u'"') {
                        strLine += u'"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    strLine += strText[i];
                }
            }
        } else {
            while (i < size && !IsBreak(strText[i])) {
                strLine += strText[i++];
            }
        }
        lines.append(strLine);
        skipBlanks();
        if (i < size && strText[i] == u',') {
            ++i;
            skipBlanks();
            if (i == size) {
                lines.append(QString());
            }
        }
    }
    return lines;
}

}  // namespace CommaText
