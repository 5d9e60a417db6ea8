#include "PageRenderer.h"

#include <QLocale>

#include <algorithm>

#include "HtmlEscape.h"
#include "KeywordMatcher.h"
#include "framework/KrUtils.h"

namespace {

const char kStyle[] = R"(<style>
body{font-family:system-ui,sans-serif;margin:0;background:#f6f7f9;color:#1d2330}
header{background:#23304a;color:#fff;padding:12px 24px}
header a{color:#fff;text-decoration:none;font-weight:600}
main{max-width:820px;margin:0 auto;padding:16px 24px}
ol.results,ol.chart{list-style:none;padding:0}
li.song,li.chart-entry{background:#fff;border-radius:6px;margin:8px 0;padding:10px 14px}
.song-title{font-size:1.1em;color:#1a56b0;text-decoration:none}
.song-meta,.song-stats{color:#5a6475;font-size:.9em}
.chart-rank{display:inline-block;width:2em;color:#5a6475}
nav.pagination a,nav.pagination span{margin-right:8px}.current{font-weight:700}
</style>)";

QByteArray Document(const QString& strTitle, const QString& strBody) {
    const QString html = QStringLiteral(
                             "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
                             "<meta charset=\"utf-8\">\n<title>") +
                         HtmlEscape(strTitle) + QStringLiteral(" - Sample Catalogue</title>\n") +
                         QLatin1String(kStyle) +
                         QStringLiteral(
                             "\n</head>\n<body>\n<header><a href=\"/\">Sample "
                             "Catalogue</a></header>\n<main>\n") +
                         strBody + QStringLiteral("</main>\n</body>\n</html>\n");
    return html.toUtf8();
}

QString SearchHref(const QString& strKeyword, int iPage) {
    QString strHref = QStringLiteral("/results?search_query=") + KrUtils::FormEncode(strKeyword);
    if (iPage > 1) {
        strHref += QStringLiteral("&amp;page=") + QString::number(iPage);
    }
    return strHref;
}

QString Pagination(const QString& strKeyword, const TListingPage& listing) {
    if (listing.PageCount < 2) {
        return {};
    }
    QString html = QStringLiteral("<nav class=\"pagination\">");
    if (listing.Page > 1 && listing.Page <= listing.PageCount) {
        html += QStringLiteral("<a class=\"prev\" href=\"%1\">Previous</a>")
                    .arg(SearchHref(strKeyword, listing.Page - 1));
    }
    for (int i = 1; i <= listing.PageCount; ++i) {
        if (i == listing.Page) {
            html += QStringLiteral("<span class=\"page current\">%1</span>").arg(i);
        } else {
            html += QStringLiteral("<a class=\"page\" href=\"%1\">%2</a>")
                        .arg(SearchHref(strKeyword, i), QString::number(i));
        }
    }
    if (listing.Page < listing.PageCount) {
        html += QStringLiteral("<a class=\"next\" href=\"%1\">Next</a>")
                    .arg(SearchHref(strKeyword, listing.Page + 1));
    }
    return html + QStringLiteral("</nav>\n");
}

// The link form the program's pages use for a song title: form-encoded, then every "%" encoded
// again, so that it survives the two decodings of the link handler.
QString TitleParam(const QString& strTitle) {
    return KrUtils::FormEncode(strTitle).replace(u'%', QStringLiteral("%25"));
}

QString CommandLink(const QString& strAction, const TSampleSong& song) {
    return QStringLiteral("qwz:ACTION=%1&amp;ID=%2&amp;TITLE=%3&amp;LONG=%4&amp;PID=-1")
        .arg(strAction, KrUtils::FormEncode(song.Id), TitleParam(song.Title),
             QString::number(song.Seconds));
}

}  // namespace

TListingPage TPageRenderer::Paginate(const QList<const TSampleSong*>& songs, int iPage,
                                     int iPerPage) {
    TListingPage listing;
    listing.Page = std::max(iPage, 1);
    listing.Total = songs.size();
    listing.PageCount = int((songs.size() + iPerPage - 1) / iPerPage);
    const qsizetype first = qsizetype(listing.Page - 1) * iPerPage;
    if (first < songs.size()) {
        listing.Songs = songs.mid(first, iPerPage);
    }
    return listing;
}

QString TPageRenderer::Duration(int iSeconds) {
    return QStringLiteral("%1:%2").arg(iSeconds / 60).arg(iSeconds % 60, 2, 10, QLatin1Char('0'));
}

QString TPageRenderer::ViewCount(qint64 iViews) {
    QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(iViews) +
           (iViews == 1 ? QStringLiteral(" view") : QStringLiteral(" views"));
}

QString TPageRenderer::StreamPath(const TSampleSong& song, const QString& strToken,
                                  const QString& strFormat) {
    return QStringLiteral("/get_video?asv=3&video_id=%1&t=%2&fmt=%3")
        .arg(song.Id, strToken, strFormat);
}

QByteArray TPageRenderer::HomePage(const TSampleCatalogue& catalogue) {
    QString body = QStringLiteral(
        "<h1>Sample Catalogue</h1>\n<form action=\"/results\"><input name=\"search_query\" "
        "placeholder=\"Title, artist or album\"> <button>Search</button></form>\n"
        "<p><a href=\"/hot\">Hot songs</a></p>\n<ul class=\"genres\">\n");
    for (const TSampleGenre& genre : catalogue.Genres()) {
        body += QStringLiteral("<li><a href=\"/charts?genre=%1\">%2</a></li>\n")
                    .arg(genre.Slug, HtmlEscape(genre.Name));
    }
    return Document(QStringLiteral("Home"), body + QStringLiteral("</ul>\n"));
}

QByteArray TPageRenderer::SearchPage(const QString& strKeyword, const TListingPage& listing) {
    const TKeywordMatcher matcher(strKeyword);
    QString body = QStringLiteral(
                       "<h1>Results for &quot;%1&quot;</h1>\n<p class=\"summary\">%2 "
                       "results</p>\n<ol class=\"results\">\n")
                       .arg(HtmlEscape(strKeyword), QString::number(listing.Total));
    for (const TSampleSong* song : listing.Songs) {
        body += QStringLiteral(
                    "<li class=\"song\">\n<a class=\"song-title\" "
                    "href=\"/watch?v=%1\">%2</a>\n")
                    .arg(song->Id, matcher.HighlightHtml(song->Title));
        body += QStringLiteral(
                    "<div class=\"song-meta\"><span class=\"song-artist\">%1</span> "
                    "&middot; <span class=\"song-album\">%2</span></div>\n")
                    .arg(HtmlEscape(song->Artist), HtmlEscape(song->Album));
        body += QStringLiteral("<div class=\"song-stats\"><span class=\"song-length\">%1</span> ")
                    .arg(Duration(song->Seconds));
        body +=
            song->Views >= 0
                ? QStringLiteral("<span class=\"song-views\">%1</span>").arg(ViewCount(song->Views))
                : QStringLiteral("<span class=\"song-badge\">New</span>");
        body += QStringLiteral("</div>\n</li>\n");
    }
    body += QStringLiteral("</ol>\n") + Pagination(strKeyword, listing);
    return Document(strKeyword, body);
}

QByteArray TPageRenderer::ChartPage(const TSampleGenre& genre, const TListingPage& listing) {
    QString body = QStringLiteral(
                       "<h1>%1: top songs</h1>\n<ol class=\"chart\">\n"
                       "<li class=\"chart-entry\" hidden><span class=\"chart-title\">"
                       "__title__</span> <span class=\"chart-artist\">__artist__</span>"
                       "</li>\n")
                       .arg(HtmlEscape(genre.Name));
    qsizetype rank = qsizetype(listing.Page - 1) * KChartPerPage;
    for (const TSampleSong* song : listing.Songs) {
        // A song without an artist keeps a single space, the charts' mark for "no artist".
        const QString strArtist =
            song->Artist.isEmpty() ? QStringLiteral(" ") : HtmlEscape(song->Artist);
        body += QStringLiteral(
                    "<li class=\"chart-entry\"><span class=\"chart-rank\">%1</span> "
                    "<a href=\"/watch?v=%2\"><span class=\"chart-title\">%3</span></a> "
                    "<span class=\"chart-artist\">%4</span></li>\n")
                    .arg(QString::number(++rank), song->Id, HtmlEscape(song->Title), strArtist);
    }
    return Document(genre.Name, body + QStringLiteral("</ol>\n"));
}

QByteArray TPageRenderer::HotSongsPage(const QList<const TSampleSong*>& songs) {
    QString body = QStringLiteral("<h1>Hot songs</h1>\n<ol class=\"chart\">\n");
    for (const TSampleSong* song : songs) {
        body += QStringLiteral(
                    "<li class=\"hot-song\"><span class=\"song-title\">%1</span> "
                    "<span class=\"song-artist\">%2</span> "
                    "<span class=\"song-length\">%3</span> "
                    "<a class=\"play\" href=\"%4\">Play</a> "
                    "<a class=\"download\" href=\"%5\">Download</a> "
                    "<a class=\"more\" href=\"qwz:ACTION=Search&amp;KEYWORD=%6\">More "
                    "like this</a></li>\n")
                    .arg(HtmlEscape(song->Title), HtmlEscape(song->Artist), Duration(song->Seconds),
                         CommandLink(QStringLiteral("Play"), *song),
                         CommandLink(QStringLiteral("Download"), *song),
                         KrUtils::FormEncode(song->Artist.isEmpty() ? song->Title : song->Artist));
    }
    return Document(QStringLiteral("Hot songs"), body + QStringLiteral("</ol>\n"));
}

QByteArray TPageRenderer::InfoPage(const TSampleCatalogue& catalogue) {
    // Shown in a frame of the welcome page: its links must reach the page's own link handler.
    QString body = QStringLiteral(
                       "<h1>Welcome</h1>\n<p class=\"info\">The sample catalogue holds %1 songs "
                       "in %2 charts. Try one of these searches:</p>\n<ul class=\"suggestions\">\n")
                       .arg(catalogue.Songs().size())
                       .arg(catalogue.Genres().size());
    for (const QString& strWord :
         {QStringLiteral("sessions"), QStringLiteral("night"), QStringLiteral("Déjà vu")}) {
        body +=
            QStringLiteral(
                "<li><a target=\"_top\" href=\"qwz:ACTION=Search&amp;KEYWORD=%1\">%2</a></li>\n")
                .arg(KrUtils::FormEncode(strWord), HtmlEscape(strWord));
    }
    return Document(QStringLiteral("Welcome"), body + QStringLiteral("</ul>\n"));
}

QByteArray TPageRenderer::SitePage(const QString& strName) {
    return Document(strName, QStringLiteral("<h1>Halvex: %1</h1>\n<p>This page stands in for the "
                                            "product's %1 page.</p>\n")
                                 .arg(HtmlEscape(strName)));
}

QByteArray TPageRenderer::NotFoundPage(const QString& strWhat) {
    return Document(QStringLiteral("Not found"),
                    QStringLiteral("<h1>Not found</h1>\n<p>%1</p>\n").arg(HtmlEscape(strWhat)));
}

QByteArray TPageRenderer::WatchPage(const TSampleSong& song, const QString& strToken,
                                    const QString& strBase) {
    const QString strTitle = KrUtils::FormEncode(song.Title);
    // Format 43 (WebM) comes last, so a client that prefers the higher format number takes it.
    const QString strStreams =
        QStringLiteral("18|") + strBase + StreamPath(song, strToken, QStringLiteral("mp4")) +
        QStringLiteral(",43|") + strBase + StreamPath(song, strToken, QStringLiteral("webm"));
    QString body = QStringLiteral(
                       "<h1 class=\"watch-title\">%1</h1>\n<p class=\"watch-meta\">%2 "
                       "&middot; %3 &middot; %4</p>\n")
                       .arg(HtmlEscape(song.Title), HtmlEscape(song.Artist), HtmlEscape(song.Album),
                            Duration(song.Seconds));
    body += QStringLiteral(
                "<div id=\"player\"><audio controls preload=\"none\" src=\"%1\">"
                "</audio></div>\n")
                .arg(HtmlEscape(StreamPath(song, strToken, QStringLiteral("mp4"))));
    // The player arguments carry the token encoded twice, as the player's argument string holds
    // address parameters: the reader decodes one level and the stream address the other.
    body += QStringLiteral(
                "<script>\nvar swfHTML = \"<embed src=\\\"/player.swf\\\" "
                "type=\\\"application/x-shockwave-flash\\\" width=\\\"480\\\" "
                "height=\\\"40\\\" flashvars=\\\"video_id=%1&l=%2&t=%3&title=%4\\\">"
                "</embed>\";\n")
                .arg(song.Id, QString::number(song.Seconds),
                     KrUtils::FormEncode(KrUtils::FormEncode(strToken)), strTitle);
    body +=
        QStringLiteral(
            "var player = {'PLAYER_CONFIG': {\"url\": \"/player.swf\", \"args\": "
            "\"video_id=%1&length_seconds=%2&fmt_stream_map=%3&title=%4\"}};\n"
            "</script>\n")
            .arg(song.Id, QString::number(song.Seconds), KrUtils::FormEncode(strStreams), strTitle);
    return Document(song.Title, body);
}

QByteArray TPageRenderer::VideoInfo(const TSampleSong& song, const QString& strToken) {
    // Every value is form-encoded: the answer must hold no raw ":" or "?", which its readers
    // take for the end of an address prefix.
    const QString answer =
        QStringLiteral(
            "status=ok&video_id=%1&title=%2&author=%3&length_seconds="
            "%4&view_count=%5&token=%6")
            .arg(song.Id, KrUtils::FormEncode(song.Title), KrUtils::FormEncode(song.Artist),
                 QString::number(song.Seconds), QString::number(std::max<qint64>(song.Views, 0)),
                 KrUtils::FormEncode(strToken));
    return answer.toUtf8();
}

QByteArray TPageRenderer::VideoInfoMissing() {
    return QByteArrayLiteral("status=fail&errorcode=100&reason=This+video+does+not+exist.");
}

QByteArray TPageRenderer::UpdateAnswer(const TServiceOptions& options, bool bNewer,
                                       const QString& strPage) {
    QString answer = QStringLiteral("magicword=") + options.MagicWord + QStringLiteral("\r\n");
    if (bNewer) {
        answer += QStringLiteral(
                      "Result=1\r\ninfo=Halvex %1 is available. Open the download "
                      "page now?\r\npage=%2\r\n")
                      .arg(options.LatestVersion, strPage);
    } else {
        answer += QStringLiteral("Result=0\r\n");
    }
    for (const QString& strModification : options.Modifications) {
        answer += QStringLiteral("__MODIFY__.") + strModification + QStringLiteral("\r\n");
    }
    return answer.toUtf8();
}
