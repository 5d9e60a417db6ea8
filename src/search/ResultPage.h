#pragma once

#include <QString>

#include "framework/NameValueList.h"
#include "net/PatternMatcher.h"

// Renders the search result list into the result page (template "Tpl.ResultFile"). One object
// serves any number of pages; it keeps the compiled tag pattern of GetTitleURL.
class TResultPage {
public:
    TResultPage();

    // Renders the list's songs and page links for the current page number (with a fresh script
    // nonce for the page's security policy) and appends
    // "VCOUNT=" + the number of entries walked. False when the template cannot be read; the list
    // is then unchanged.
    bool MakeResultHtml(TNameValueList& list, int iCurrentPage, const QString& strProgramFolder,
                        QString& strHtml);

    // The title as it travels in a link's TITLE: tags removed, form-encoded, then every "%" as
    // "%25", so the link handler's two decodings give it back.
    QString GetTitleURL(const QString& aTitle);
    // The title without the service's markup (a bold keyword, for example).
    QString PlainTitle(const QString& aTitle);
    // "m:ss" (markup around it tolerated) as seconds in decimal; a single number is seconds;
    // empty for an empty text.
    static QString GetRuntimeLong(const QString& aRuntime);

private:
    TPatternMatcher FTagMatcher{TPatternMatcher::KFieldOptions};
};
