#include "search/CenterView.h"

#include <QRandomGenerator>
#include <QUrl>

#include "framework/KrEngine.h"
#include "framework/KrLog.h"
#include "framework/KrSettings.h"
#include "framework/KrUtils.h"
#include "framework/LangKeys.h"
#include "net/SingleDownloader.h"
#include "search/CategoryPages.h"
#include "search/CurrentInfo.h"
#include "search/HtmlView.h"
#include "search/PreviewPlayer.h"
#include "search/ResultPage.h"
#include "search/ResultParser.h"
#include "search/SearchFrame.h"
#include "search/SearchKeys.h"

namespace {

const QString kLogTag = QStringLiteral("Search");
const QString kLoadingPage = QStringLiteral("res/loading.html");
const QString kWelcomePage = QStringLiteral("res/welcome.html");

QString AppText(QLatin1String key) {
    return GlobalEngine()->GetAppString(key);
}

int IntParam(const TNameValueList& params, const QString& strName, int iDefault) {
    return KrUtils::StrToIntDefault(params.Value(strName), iDefault);
}

TSingleDownloader* MakeFetcher(QObject* owner) {
    auto* fetcher = new TSingleDownloader(owner);
    fetcher->SetAcceptTypes(QStringLiteral("*/*"));
    fetcher->SetUseCache(false);
    fetcher->SetHttpCharset(THttpCharset::KUTF8);
    return fetcher;
}

}  // namespace

TCenterView::TCenterView(TCurrentInfo& info, const TViews& views, TSearchFrame* searchFrame,
                         IPreviewPlayer* player, QObject* parent)
    : QObject(parent),
      FCurrentInfo(info),
      FViews(views),
      FSearchFrame(searchFrame),
      FPlayer(player),
      FSearchFetcher(MakeFetcher(this)),
      FCategoryFetcher(MakeFetcher(this)) {
    connect(FSearchFetcher, &TSingleDownloader::OnDoneString, this,
            [this](TSingleDownloader*, const QString& strResult) { SearchDoneString(strResult); });
    connect(
        FCategoryFetcher, &TSingleDownloader::OnDoneString, this,
        [this](TSingleDownloader*, const QString& strResult) { CategoryDoneString(strResult); });
    connect(FSearchFetcher, &TSingleDownloader::OnError, this, [this] { SearchFailed(); });
    connect(FCategoryFetcher, &TSingleDownloader::OnError, this, [this] { CategoryFailed(); });
}

TCenterView::~TCenterView() = default;

// ---- keyword search -------------------------------------------------------------------------

void TCenterView::StartSearch(const QString& aKeyword, int aPage) {
    if (aKeyword.isEmpty() || aKeyword == AppText(LangKeys::TextBlankKeyWord)) {
        GlobalEngine()->ShowMessageEx(LangKeys::MsgNoEnterKeyword, {}, 0, KrDlg::KInformation,
                                      KrDlg::KOk);
        return;
    }
    if (!FCurrentInfo.GetMDInfo()) {
        return;
    }
    FSearchFrame->SetKeyword(aKeyword);
    FCurrentInfo.Keyword = QString(aKeyword).remove(AppText(LangKeys::TextAdvanceSearch));
    FCurrentInfo.PID = -1;
    FCurrentInfo.Page = aPage;
    FSearchFrame->SaveKeyword(aKeyword);
    FSearchFrame->LoadKeywords();
    ShowSearch(FCurrentInfo.Keyword, FCurrentInfo.Page);
    SetActivePage(KResultPage);
}

void TCenterView::ShowSearch(const QString& aKeyword, int aPage) {
    ShowLoading();
    if (FCurrentInfo.MDInfo.IsEmpty()) {
        return;
    }
    TNameValueList description = FCurrentInfo.MDInfo;
    description.SetValue(SearchKeys::SearchKeyURL, description.Value(SearchKeys::SearchKeyURL) +
                                                       KrUtils::FormEncode(aKeyword));
    description.SetValue(QStringLiteral("Page"), QString::number(aPage < 1 ? 1 : aPage));
    description.SetValue(QStringLiteral("SearchKey"), aKeyword);
    RequestSearch(description);
}

void TCenterView::RequestSearch(const TNameValueList& aDescription) {
    FSearchResult = aDescription;
    QString strURL = FSearchResult.Value(SearchKeys::SearchKeyURL);
    if (strURL.isEmpty()) {
        return;
    }
    const QString strPage = FSearchResult.Value(QStringLiteral("Page"));
    if (!strPage.isEmpty()) {
        strURL += QStringLiteral("&page=") + strPage;
    }
    StartFetch(FSearchFetcher, strURL);
}

void TCenterView::SearchDoneString(const QString& strResult) {
    if (!FCurrentInfo.GetMDInfo()) {
        return;
    }
    // The page is shown with whatever was parsed, also when a pattern turns out to be unusable.
    TResultParser parser;
    const bool bParsed = parser.ParseAnswer(strResult, FSearchResult);
    QString strHtml;
    if (TResultPage().MakeResultHtml(FSearchResult, FCurrentInfo.Page, ProgramFolder(), strHtml)) {
        FViews.Main->LoadHtml(strHtml);
    } else {
        ReportError(LangKeys::MsgTemplateError, AppText(LangKeys::TplResultFile));
    }
    if (!bParsed) {
        ReportError(LangKeys::MsgPatternError, parser.ErrorText());
    }
}

void TCenterView::SearchFailed() {
    // Without an answer the loading page would stay for good; the user learns why and gets the
    // start page back.
    TKrLog::Write(QStringLiteral("Search failed: ") + FSearchFetcher->URL(), kLogTag);
    ShowWelcome();
    GlobalEngine()->ShowMessageEx(LangKeys::MsgServiceUnreachable, {}, 0, KrDlg::KWarning,
                                  KrDlg::KOk);
}

// ---- pages of the result view ---------------------------------------------------------------

void TCenterView::ShowLoading() {
    FViews.Main->Navigate(ResourceURL(kLoadingPage));
}

void TCenterView::ShowWelcome() {
    SetActivePage(KResultPage);
    FViews.Main->Navigate(AddRandomParam(ResourceURL(kWelcomePage) + u'?' +
                                         GlobalEngine()->GetURL(SearchKeys::InfoURL, false)));
}

void TCenterView::SetActivePage(ECenterPage aPage) {
    if (aPage != FActivePage) {
        FActivePage = aPage;
        emit OnPageChanged(aPage);
    }
}

QString TCenterView::AddRandomParam(const QString& s) {
    return s + u'?' + QString::number(10000 + QRandomGenerator::global()->bounded(89999));
}

// ---- browsing -------------------------------------------------------------------------------

void TCenterView::ShowHotSongs() {
    SetActivePage(KHomePage);
    const TKrEngine* engine = GlobalEngine();
    FViews.Home->Navigate(engine->GetURL(SearchKeys::HomeURL, false) + u'#' +
                          AddRandomParam(engine->GetURL(SearchKeys::InfoURL, false)));
}

void TCenterView::ShowCategory() {
    FCategoryResult = TCategoryPages::BuildCategoryList();
    FHasCategoryList = true;
    QString strHtml;
    if (TCategoryPages::MakeCategoryHtml(FCategoryResult, ProgramFolder(), strHtml)) {
        FViews.Category->LoadHtml(strHtml);
    } else {
        ReportError(LangKeys::MsgTemplateError, AppText(LangKeys::TplCategoryFile));
    }
    SetActivePage(KCategoryPage);
}

void TCenterView::FetchCategory(const TNameValueList& params) {
    FViews.Category->Navigate(ResourceURL(kLoadingPage));
    FCategoryID = IntParam(params, QStringLiteral("CATEGORYID"), -1);
    FCategoryPage = IntParam(params, QStringLiteral("CATEGORYPAGE"), 1);
    // A category link may come from a page shown before the categories page ever was (the
    // welcome or hot songs page); the addresses are then read from the settings all the same.
    if (!FHasCategoryList) {
        FCategoryResult = TCategoryPages::BuildCategoryList();
        FHasCategoryList = true;
    }
    StartFetch(FCategoryFetcher, FCategoryResult.Value(params.Value(QStringLiteral("CATEGORYID")) +
                                                       SearchKeys::CategoryUrlSuffix) +
                                     QStringLiteral("&p=") + QString::number(FCategoryPage));
}

void TCenterView::CategoryDoneString(const QString& strResult) {
    if (!FHasCategoryList) {
        return;
    }
    TCategoryPages pages;
    if (!pages.ParseCategoryAnswer(strResult, FCategoryResult)) {
        ReportError(LangKeys::MsgPatternError, pages.ErrorText());
        return;
    }
    QString strHtml;
    if (TCategoryPages::MakeKeywordListHtml(FCategoryResult, FCategoryID, FCategoryPage,
                                            ProgramFolder(), strHtml)) {
        FViews.Category->LoadHtml(strHtml);
    } else {
        ReportError(LangKeys::MsgTemplateError, AppText(LangKeys::TplKeywordListFile));
    }
}

void TCenterView::CategoryFailed() {
    TKrLog::Write(QStringLiteral("Category fetch failed: ") + FCategoryFetcher->URL(), kLogTag);
    ShowCategory();
    GlobalEngine()->ShowMessageEx(LangKeys::MsgServiceUnreachable, {}, 0, KrDlg::KWarning,
                                  KrDlg::KOk);
}

// ---- advanced search ------------------------------------------------------------------------

void TCenterView::AdvSearch(const QString& strArtist, const QString& strTitle,
                            const QString& strAlbum, int iEdition, const QString& strEdition) {
    if (strArtist.isEmpty() && strTitle.isEmpty() && strAlbum.isEmpty() && iEdition <= 0) {
        GlobalEngine()->ShowMessageEx(LangKeys::MsgNoEnterAdvKeywords, {}, 0, KrDlg::KInformation,
                                      KrDlg::KOk);
        return;
    }
    QString strKeyword;
    for (const QString& strPart : {strArtist, strTitle, strAlbum}) {
        if (!strPart.isEmpty()) {
            strKeyword += strPart + u' ';
        }
    }
    if (iEdition > 0) {
        strKeyword += strEdition + u' ';
    }
    StartSearch(AppText(LangKeys::TextAdvanceSearch) + strKeyword, 1);
}

// ---- command links --------------------------------------------------------------------------

void TCenterView::ParseLinkParams(const QString& strURL, TNameValueList& list) {
    QString strRest = strURL;
    const qsizetype question = strRest.indexOf(u'?');
    if (question >= 0) {
        strRest.remove(0, question + 1);
    }
    const qsizetype colon = strRest.indexOf(u':');
    if (colon >= 0) {
        strRest.remove(0, colon + 1);
    }
    // The framework routine drops a "?" prefix and then a ":" prefix of its own; both are gone
    // already, so it is handed empty ones and decodes the pieces alone.
    KrUtils::ParseLinkParams(QStringLiteral("?:") + strRest, list, true);
}

bool TCenterView::BeforeNavigate(const QString& strURL) {
    if (!strURL.startsWith(QStringLiteral("qwz:"), Qt::CaseInsensitive)) {
        return false;
    }
    TNameValueList params;
    ParseLinkParams(strURL, params);
    TUrlInfo request;
    const QString strAction = params.Value(QStringLiteral("ACTION"));
    const auto is = [&strAction](const char* name) {
        return strAction.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
    };
    if (is("Play")) {
        request.Action = UA_PLAY;
        FCurrentInfo.PID = IntParam(params, QStringLiteral("PID"), 0);
    } else if (is("Download")) {
        request.Action = UA_DOWNLOAD;
    } else if (is("FlipPage")) {
        request.Action = UA_FLIPPAGE;
    } else if (is("Search")) {
        request.Action = UA_SEARCH;
        FCurrentInfo.Keyword = params.Value(QStringLiteral("KEYWORD"));
    } else if (is("Categories")) {
        FetchCategory(params);
        return true;
    } else if (is("Category")) {
        ShowCategory();
        return true;
    }

    if (params.Contains(QStringLiteral("ID"))) {
        request.Id = params.Value(QStringLiteral("ID"));
    }
    request.Long = IntParam(params, QStringLiteral("LONG"), 0);
    // Titles travel encoded twice. One that was encoded only once and still holds a stray "%"
    // cannot be decoded again; it is shown as decoded so far rather than lost.
    const QString strTitle = params.Value(QStringLiteral("TITLE"));
    QString strDecoded;
    request.Title = TResultParser::HtmlUnescape(
        KrUtils::FormDecode(strTitle, strDecoded) ? strDecoded : strTitle);
    request.Page = IntParam(params, QStringLiteral("PAGE"), 0);
    request.PId = IntParam(params, QStringLiteral("PID"), 0);
    request.SC_Key = FCurrentInfo.Keyword;
    return ProcessUrlInfo(request);
}

bool TCenterView::ProcessUrlInfo(const TUrlInfo& aInfo) {
    FCurrentInfo.URLInfo = aInfo;
    switch (aInfo.Action) {
        case UA_NONE:
            return false;
        case UA_PLAY:
            FPlayer->SetCallbackVariable(QStringLiteral("Stop,"));
            FPlayer->SetCallbackVariable(QStringLiteral("Title,") + aInfo.Title);
            FPlayer->SetCallbackVariable(QStringLiteral("Wait,"));
            FPlayer->Play(FCurrentInfo.URLInfo);
            ExecPageScript(QStringLiteral("ShowIcon(%1);").arg(aInfo.PId));
            break;
        case UA_DOWNLOAD:
            emit OnDownload(aInfo);
            break;
        case UA_FLIPPAGE:
            StartSearch(FCurrentInfo.Keyword, aInfo.Page);
            break;
        case UA_SEARCH:
            FSearchFrame->SetKeyword(FCurrentInfo.Keyword);
            StartSearch(FCurrentInfo.Keyword, 1);
            break;
    }
    return true;
}

void TCenterView::ExecPageScript(const QString& aScript) {
    FViews.Main->RunScript(aScript);
}

// ---- helpers --------------------------------------------------------------------------------

void TCenterView::StartFetch(TSingleDownloader* fetcher, const QString& strURL) {
    // A fetch still running belongs to an earlier request; its answer must not be shown as the
    // answer to this one.
    fetcher->Abort();
    fetcher->SetURL(strURL);
    fetcher->GetString();
}

QString TCenterView::ProgramFolder() {
    return GlobalSettings()->ConstDataPath();
}

QString TCenterView::ResourceURL(const QString& strRelativePath) {
    return QUrl::fromLocalFile(KrUtils::JoinPath(ProgramFolder(), strRelativePath))
        .toString(QUrl::FullyEncoded);
}

void TCenterView::ReportError(QLatin1String key, const QString& strDetail) {
    TKrLog::Write(key + QStringLiteral(": ") + strDetail, kLogTag);
    GlobalEngine()->ShowMessageEx(key, {strDetail}, 0, KrDlg::KError, KrDlg::KOk);
}
