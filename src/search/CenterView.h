#pragma once

#include <QObject>
#include <QString>

#include "framework/NameValueList.h"
#include "search/UrlInfo.h"

class IHtmlView;
class IPreviewPlayer;
class TCurrentInfo;
class TSearchFrame;
class TSingleDownloader;

// What the center view does: keyword searches against the service and their result pages, hot
// songs, categories with their keyword pages, the advanced search, and the "qwz:" command links
// of every page. The form only wires its widgets here: it shows the page that OnPageChanged
// names and reports each navigation of its three web views to BeforeNavigate.
class TCenterView : public QObject {
    Q_OBJECT
public:
    enum ECenterPage { KResultPage = 0, KHomePage = 1, KCategoryPage = 2, KAdvPage = 3 };

    struct TViews {
        IHtmlView* Main = nullptr;      // welcome, loading and result pages
        IHtmlView* Home = nullptr;      // hot songs
        IHtmlView* Category = nullptr;  // categories and keyword lists
    };

    TCenterView(TCurrentInfo& info, const TViews& views, TSearchFrame* searchFrame,
                IPreviewPlayer* player, QObject* parent = nullptr);
    ~TCenterView() override;

    const TNameValueList& SearchResult() const { return FSearchResult; }
    const TNameValueList& CategoryResult() const { return FCategoryResult; }
    int CategoryID() const { return FCategoryID; }
    int CategoryPage() const { return FCategoryPage; }
    ECenterPage ActivePage() const { return FActivePage; }

    // ---- keyword search
    // The one entry point of every search: checks the keyword, records it and requests page
    // aPage of its results.
    void StartSearch(const QString& aKeyword, int aPage);
    void ShowSearch(const QString& aKeyword, int aPage);
    void RequestSearch(const TNameValueList& aDescription);
    // The service's answer to a search.
    void SearchDoneString(const QString& strResult);
    // No answer (no connection, an empty answer): back to the start page with a message.
    void SearchFailed();

    // ---- pages of the result view
    void ShowLoading();
    void ShowWelcome();
    void ShowResult() { SetActivePage(KResultPage); }
    void SetActivePage(ECenterPage aPage);
    // s + "?" + a random five-digit number, so that no cache serves an old page.
    static QString AddRandomParam(const QString& s);

    // ---- browsing
    void ShowHotSongs();
    void ShowCategory();
    // A "Categories" link: fetch page CATEGORYPAGE of category CATEGORYID.
    void FetchCategory(const TNameValueList& params);
    // The service's answer to a category fetch.
    void CategoryDoneString(const QString& strResult);
    // No answer: back to the categories page with a message.
    void CategoryFailed();

    // ---- advanced search; iEdition 0 is "all editions"
    void ShowAdvSearch() { SetActivePage(KAdvPage); }
    void AdvSearch(const QString& strArtist, const QString& strTitle, const QString& strAlbum,
                   int iEdition, const QString& strEdition);

    // ---- command links
    // Every navigation of the three views passes here first; true cancels it.
    bool BeforeNavigate(const QString& strURL);
    // Carries out a song request; false when there was nothing to do.
    bool ProcessUrlInfo(const TUrlInfo& aInfo);
    // Runs a statement in the result page; failures are ignored.
    void ExecPageScript(const QString& aScript);

    // The parameters of a command link, decoded: after a "?" if there is one, then after a ":".
    static void ParseLinkParams(const QString& strURL, TNameValueList& list);

signals:
    void OnPageChanged(int iPage);
    // A download link: the main window asks for the file details and queues the song.
    void OnDownload(const TUrlInfo& info);

private:
    static void StartFetch(TSingleDownloader* fetcher, const QString& strURL);
    static QString ProgramFolder();
    static QString ResourceURL(const QString& strRelativePath);
    static void ReportError(QLatin1String key, const QString& strDetail);

    TCurrentInfo& FCurrentInfo;
    TViews FViews;
    TSearchFrame* FSearchFrame;
    IPreviewPlayer* FPlayer;
    TSingleDownloader* FSearchFetcher;
    TSingleDownloader* FCategoryFetcher;
    ECenterPage FActivePage = KResultPage;
    TNameValueList FSearchResult;
    TNameValueList FCategoryResult;
    bool FHasCategoryList = false;
    int FCategoryID = -1;
    int FCategoryPage = 1;
};
