#include "search/CategoryPages.h"

#include "framework/KrEngine.h"
#include "framework/KrSettings.h"
#include "framework/KrUtils.h"
#include "framework/LangKeys.h"
#include "net/PatternMatcher.h"
#include "search/QorTpl.h"
#include "search/ResultParser.h"
#include "search/SearchKeys.h"
#include "search/ValueIndex.h"

namespace {

const QString kMoreAndOther = QStringLiteral("More & Other");
const QString kKeywordPrefix = QStringLiteral("KEYWORD_");
const QString kKeywordCount = QStringLiteral("KEYWORD_COUNT");

bool LoadTemplate(TQorTpl& tpl, const QString& strProgramFolder, QLatin1String key) {
    return tpl.LoadTpl(KrUtils::JoinPath(strProgramFolder, GlobalEngine()->GetAppString(key)));
}

// A name as the settings spell it ("Hip+Hop", "R%26B") as it is shown; a name that is not valid
// form-encoded text is shown as it stands rather than dropped.
QString DisplayName(const QString& strName) {
    QString strDecoded;
    return KrUtils::FormDecode(strName, strDecoded) ? strDecoded : strName;
}

}  // namespace

TNameValueList TCategoryPages::BuildCategoryList() {
    const TKrSettings* settings = GlobalSettings();
    TNameValueList list;
    const QString strCount = settings->GetSettingString(SearchKeys::CategoriesCount);
    list.SetValue(SearchKeys::CategoriesCount, strCount);
    const int count = KrUtils::StrToIntDefault(strCount, 0);
    for (int i = 0; i < count; ++i) {
        const QString strPrefix = SearchKeys::CategoryPrefix + QString::number(i);
        list.SetValue(QString::number(i) + SearchKeys::CategoryNameSuffix,
                      settings->GetSettingString(strPrefix + SearchKeys::CategoryNameSuffix));
        list.SetValue(QString::number(i) + SearchKeys::CategoryUrlSuffix,
                      settings->GetSettingString(strPrefix + SearchKeys::CategoryUrlSuffix));
    }
    return list;
}

bool TCategoryPages::MakeCategoryHtml(const TNameValueList& list, const QString& strProgramFolder,
                                      QString& strHtml) {
    TQorTpl tpl;
    if (!LoadTemplate(tpl, strProgramFolder, LangKeys::TplCategoryFile)) {
        return false;
    }
    const TValueIndex values(list);
    const auto addCategory = [&](const QString& strName, int id) {
        tpl.BeginBlock(QStringLiteral("categories"));
        tpl.SetVar(QStringLiteral("APP_PATH"), strProgramFolder);
        tpl.SetVar(QStringLiteral("CATEGORY_NAME"), strName);
        tpl.SetVar(QStringLiteral("ID"), QString::number(id));
        tpl.EndBlock();
    };
    // "More & Other" gathers what the other categories miss, so it always comes last.
    const int count = KrUtils::StrToIntDefault(values.Value(SearchKeys::CategoriesCount), 0);
    int other = 0;
    for (int i = 0; i < count; ++i) {
        const QString strName = values.Value(QString::number(i) + SearchKeys::CategoryNameSuffix)
                                    .replace(u'/', QStringLiteral(" & "));
        if (strName == kMoreAndOther) {
            other = i;
        } else {
            addCategory(DisplayName(strName), i);
        }
    }
    addCategory(kMoreAndOther, other);
    tpl.MakeHtml();
    strHtml = tpl.OutPutHtml();
    return true;
}

bool TCategoryPages::ParseCategoryAnswer(const QString& strAnswer, TNameValueList& list) {
    // Each keyword page shows its own answer only.
    QStringList lines;
    for (const QString& line : list.Lines()) {
        if (!line.startsWith(kKeywordPrefix, Qt::CaseInsensitive)) {
            lines.append(line);
        }
    }
    list = TNameValueList(lines);

    FErrorText.clear();
    TPatternMatcher entries(TPatternMatcher::KEntryOptions);
    if (!entries.SetPattern(GlobalSettings()->GetSettingString(SearchKeys::CategoryPatternEntry))) {
        FErrorText = SearchKeys::CategoryPatternEntry + QStringLiteral(": ") + entries.ErrorText();
        return false;
    }
    entries.SetSubject(strAnswer);
    int a = 0;
    while (entries.Next()) {
        if (ParseCategoryEntry(entries.Group(1), a, list)) {
            ++a;
        } else if (!FErrorText.isEmpty()) {
            return false;
        }
    }
    list.Append(kKeywordCount + u'=' + QString::number(a));
    return true;
}

bool TCategoryPages::ParseCategoryEntry(const QString& strEntry, int a, TNameValueList& list) {
    const auto match = [&](QLatin1String key, QString& strValue) {
        TPatternMatcher matcher(TPatternMatcher::KFieldOptions);
        if (!matcher.SetPattern(GlobalSettings()->GetSettingString(key))) {
            FErrorText = key + QStringLiteral(": ") + matcher.ErrorText();
            return false;
        }
        matcher.SetSubject(strEntry);
        if (!matcher.Next()) {
            return false;
        }
        strValue = TResultParser::HtmlUnescape(matcher.Group(1));
        return true;
    };
    QString strTitle;
    QString strArtist;
    if (!match(SearchKeys::CategoryPatternTitle, strTitle) ||
        strTitle == QStringLiteral("__title__") ||
        !match(SearchKeys::CategoryPatternArtist, strArtist) || strTitle.isEmpty() ||
        strArtist.isEmpty()) {
        return false;
    }
    // A single space stands for an entry without artist.
    list.Append(kKeywordPrefix + QString::number(a) + u'=' + strTitle +
                (strArtist == QStringLiteral(" ") ? QString() : QStringLiteral(" - ") + strArtist));
    return true;
}

bool TCategoryPages::MakeKeywordListHtml(const TNameValueList& list, int iCategoryID,
                                         int iCategoryPage, const QString& strProgramFolder,
                                         QString& strHtml) {
    TQorTpl tpl;
    if (!LoadTemplate(tpl, strProgramFolder, LangKeys::TplKeywordListFile)) {
        return false;
    }
    const TValueIndex values(list);
    const int count = KrUtils::StrToIntDefault(values.Value(kKeywordCount), 0);
    for (int i = 0; i < count; ++i) {
        const QString strKeyword = values.Value(kKeywordPrefix + QString::number(i));
        tpl.BeginBlock(QStringLiteral("keywords"));
        tpl.SetVar(QStringLiteral("KEYWORD"), KrUtils::FormEncode(strKeyword));
        tpl.SetVar(QStringLiteral("KEYWORDTITLE"), strKeyword);
        tpl.EndBlock();
    }
    const int pages = GlobalSettings()->GetSettingInteger(SearchKeys::CategoryPages);
    if (pages >= 2) {
        for (int i = 1; i <= pages; ++i) {
            const QString strPage = QString::number(i);
            tpl.BeginBlock(QStringLiteral("pages"));
            tpl.SetVar(QStringLiteral("PAGE"),
                       i == iCategoryPage
                           ? QStringLiteral("<b>") + strPage + QStringLiteral("</b>")
                           : QStringLiteral("<a href=\"qwz:ACTION=Categories&CATEGORYID=%1"
                                            "&CATEGORYPAGE=%2\">%2</a>")
                                 .arg(iCategoryID)
                                 .arg(i));
            tpl.EndBlock();
        }
    }
    tpl.SetVar(QStringLiteral("TITLE"),
               values.Value(QString::number(iCategoryID) + SearchKeys::CategoryNameSuffix) +
                   GlobalSettings()->GetSettingString(SearchKeys::CategoryPageTitle));
    tpl.MakeHtml();
    strHtml = tpl.OutPutHtml();
    return true;
}
