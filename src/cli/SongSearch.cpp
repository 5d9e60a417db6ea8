#include "cli/SongSearch.h"

#include <QEventLoop>

#include "framework/KrUtils.h"
#include "net/SingleDownloader.h"
#include "search/CurrentInfo.h"
#include "search/ResultPage.h"
#include "search/ResultParser.h"
#include "search/SearchKeys.h"

bool TSongSearch::Run(const QString& strKeyword, int iPage) {
    FKeyword = strKeyword;
    FPage = qMax(iPage, 1);
    FSongs.clear();
    FParseError.clear();
    TCurrentInfo info;
    if (!info.GetMDInfo()) {
        return false;
    }
    TSingleDownloader fetcher;
    fetcher.SetURL(info.MDInfo.Value(SearchKeys::SearchKeyURL) + KrUtils::FormEncode(strKeyword) +
                   QStringLiteral("&page=") + QString::number(FPage));
    fetcher.SetHttpCharset(THttpCharset::KUTF8);
    QString strAnswer;
    bool bAnswered = false;
    QEventLoop loop;
    QObject::connect(&fetcher, &TSingleDownloader::OnDoneString, &loop,
                     [&](TSingleDownloader*, const QString& strResult) {
                         strAnswer = strResult;
                         bAnswered = true;
                         loop.quit();
                     });
    QObject::connect(&fetcher, &TSingleDownloader::OnError, &loop, [&] { loop.quit(); });
    fetcher.GetString();
    loop.exec();
    if (!bAnswered) {
        return false;
    }

    TNameValueList result;
    TResultParser parser;
    if (!parser.ParseAnswer(strAnswer, result)) {
        FParseError = parser.ErrorText();
    }
    for (int i = 0;; ++i) {
        const QString strIndex = QString::number(i);
        const QString strId = result.Value(QStringLiteral("ID") + strIndex);
        if (strId.isEmpty()) {
            break;
        }
        TSong song;
        song.Id = strId;
        song.Title = result.Value(QStringLiteral("TITLE") + strIndex);
        song.Duration = result.Value(QStringLiteral("DURATION") + strIndex);
        song.Long = TResultPage::GetRuntimeLong(song.Duration).toInt();
        song.Popularity = result.Value(QStringLiteral("POPULARITY") + strIndex);
        FSongs.append(song);
    }
    return true;
}

TUrlInfo TSongSearch::Request(int iIndex) const {
    const TSong& song = FSongs.at(iIndex);
    TUrlInfo info;
    info.Action = UA_DOWNLOAD;
    info.Id = song.Id;
    info.SC_Key = FKeyword;
    // The title as a page link hands it over (tags removed, form-encoded), so that the download
    // options decode it exactly as for a click in the result page.
    info.Title = KrUtils::FormEncode(TResultPage().PlainTitle(song.Title));
    info.Long = song.Long;
    info.Page = FPage;
    info.Popularity = song.Popularity;
    info.PId = iIndex;
    return info;
}
