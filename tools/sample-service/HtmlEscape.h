#pragma once

#include <QString>

// Text placed in the service's pages. Quotes use the entities that clients of the service decode
// themselves ("&quot;", "&#39;", "&amp;").
inline QString HtmlEscape(const QString& strText) {
    QString result;
    result.reserve(strText.size() + strText.size() / 8);
    for (const QChar c : strText) {
        switch (c.unicode()) {
            case u'&':
                result += QStringLiteral("&amp;");
                break;
            case u'<':
                result += QStringLiteral("&lt;");
                break;
            case u'>':
                result += QStringLiteral("&gt;");
                break;
            case u'"':
                result += QStringLiteral("&quot;");
                break;
            case u'\'':
                result += QStringLiteral("&#39;");
                break;
            default:
                result += c;
        }
    }
    return result;
}
