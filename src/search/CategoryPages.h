#pragma once

#include <QString>

#include "framework/NameValueList.h"

// The category list and its two pages: the categories page (template "Tpl.CategoryFile") and a
// category's keyword page (template "Tpl.KeywordListFile"), cut from the service's answer with
// the "c_pattern_*" settings.
class TCategoryPages {
public:
    // The list from the settings: "categories_count", then i + "_name" and i + "_url".
    static TNameValueList BuildCategoryList();

    // The categories in order, "More & Other" always last. False when the template cannot be
    // read.
    static bool MakeCategoryHtml(const TNameValueList& list, const QString& strProgramFolder,
                                 QString& strHtml);

    // Replaces the keyword lines of an earlier answer by this answer's "KEYWORD_" + a lines and
    // "KEYWORD_COUNT". False when a pattern does not compile (see ErrorText).
    bool ParseCategoryAnswer(const QString& strAnswer, TNameValueList& list);
    // Appends "KEYWORD_" + a for an entry with a title and an artist; false when it has none.
    // A pattern that does not compile sets ErrorText.
    bool ParseCategoryEntry(const QString& strEntry, int a, TNameValueList& list);
    QString ErrorText() const { return FErrorText; }

    // The keyword page of a category and the links to its other pages. False when the template
    // cannot be read.
    static bool MakeKeywordListHtml(const TNameValueList& list, int iCategoryID, int iCategoryPage,
                                    const QString& strProgramFolder, QString& strHtml);

private:
    QString FErrorText;
};
