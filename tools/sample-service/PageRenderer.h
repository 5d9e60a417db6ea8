#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "SampleCatalogue.h"
#include "ServiceOptions.h"

// One page of a listing: the songs on it and where it stands among all pages.
struct TListingPage {
    int Page = 1;
    int PageCount = 0;
    qsizetype Total = 0;
    QList<const TSampleSong*> Songs;
};

// The service's answers. Every text taken from a request is escaped before it reaches a page.
// The markup of the result, chart and watch pages is what the client's configured patterns cut
// apart, so its shape is a contract: change it together with data/const.dat.
class TPageRenderer {
public:
    static constexpr int KResultsPerPage = 20;
    static constexpr int KChartPerPage = 5;

    // Cuts a listing into pages of iPerPage; a page beyond the last is empty, below 1 is 1.
    static TListingPage Paginate(const QList<const TSampleSong*>& songs, int iPage, int iPerPage);

    static QByteArray HomePage(const TSampleCatalogue& catalogue);
    static QByteArray SearchPage(const QString& strKeyword, const TListingPage& listing);
    static QByteArray ChartPage(const TSampleGenre& genre, const TListingPage& listing);
    static QByteArray HotSongsPage(const QList<const TSampleSong*>& songs);
    static QByteArray InfoPage(const TSampleCatalogue& catalogue);
    static QByteArray SitePage(const QString& strName);
    static QByteArray NotFoundPage(const QString& strWhat);

    // strBase is the service's own address ("http://host:port"): the stream table of the watch
    // page holds absolute addresses.
    static QByteArray WatchPage(const TSampleSong& song, const QString& strToken,
                                const QString& strBase);
    static QByteArray VideoInfo(const TSampleSong& song, const QString& strToken);
    static QByteArray VideoInfoMissing();
    static QByteArray UpdateAnswer(const TServiceOptions& options, bool bNewer,
                                   const QString& strPage);

    static QString Duration(int iSeconds);
    static QString ViewCount(qint64 iViews);
    // The stream address of a song, relative to the service.
    static QString StreamPath(const TSampleSong& song, const QString& strToken,
                              const QString& strFormat);
};
