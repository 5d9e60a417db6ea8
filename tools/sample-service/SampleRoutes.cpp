#include "SampleRoutes.h"

#include <httplib.h>

#include <algorithm>

#include "PageRenderer.h"
#include "framework/KrUtils.h"
#include "framework/NameValueList.h"

namespace {

const char kHtml[] = "text/html; charset=utf-8";
const char kText[] = "text/plain; charset=utf-8";

// Query parameters of the raw request target, form-decoded as the clients encode them ("+" is a
// space, "%XX" a UTF-8 byte). A parameter that does not decode is left out.
TNameValueList QueryParams(const httplib::Request& req) {
    TNameValueList params;
    const QString strTarget = QString::fromUtf8(req.target);
    const qsizetype question = strTarget.indexOf(u'?');
    if (question < 0) {
        return params;
    }
    for (const QString& strPiece : strTarget.sliced(question + 1).split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype eq = strPiece.indexOf(u'=');
        QString strValue;
        if (eq > 0 && KrUtils::FormDecode(strPiece.sliced(eq + 1), strValue) &&
            !params.Contains(strPiece.first(eq))) {
            params.SetValue(strPiece.first(eq), strValue);
        }
    }
    return params;
}

int PageParam(const TNameValueList& params, const QString& strName) {
    return KrUtils::StrToIntDefault(params.Value(strName), 1);
}

void Send(httplib::Response& res, int iStatus, const QByteArray& body, const char* contentType) {
    res.status = iStatus;
    res.set_content(body.constData(), size_t(body.size()), contentType);
}

void SendHtml(httplib::Response& res, const QByteArray& body) {
    Send(res, 200, body, kHtml);
}

void SendNotFound(httplib::Response& res, const QString& strWhat) {
    Send(res, 404, TPageRenderer::NotFoundPage(strWhat), kHtml);
}

}  // namespace

void TSampleRoutes::Register(httplib::Server& server) {
    // Absolute addresses in answers follow the name the client used for the service, as long as
    // it looks like a host name; anything else falls back to the loopback address.
    const auto base = [this](const httplib::Request& req) -> QString {
        const QString strHost = QString::fromUtf8(req.get_header_value("Host"));
        const bool bHostName =
            !strHost.isEmpty() && std::all_of(strHost.cbegin(), strHost.cend(), [](QChar c) {
                return (c.isLetterOrNumber() && c.unicode() < 128) ||
                       QStringView(u".-[]:").contains(c);
            });
        return QStringLiteral("http://") +
               (bHostName ? strHost
                          : QStringLiteral("127.0.0.1:") + QString::number(FOptions.Port));
    };

    server.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        SendHtml(res, TPageRenderer::HomePage(FCatalogue));
    });

    server.Get("/results", [this](const httplib::Request& req, httplib::Response& res) {
        const TNameValueList params = QueryParams(req);
        const QString strKeyword = params.Value(QStringLiteral("search_query"));
        const TListingPage listing = TPageRenderer::Paginate(
            FCatalogue.Search(strKeyword), PageParam(params, QStringLiteral("page")),
            TPageRenderer::KResultsPerPage);
        SendHtml(res, TPageRenderer::SearchPage(strKeyword, listing));
    });

    server.Get("/charts", [this](const httplib::Request& req, httplib::Response& res) {
        const TNameValueList params = QueryParams(req);
        const TSampleGenre* genre = FCatalogue.FindGenre(params.Value(QStringLiteral("genre")));
        if (genre == nullptr) {
            SendNotFound(res, QStringLiteral("There is no such chart."));
            return;
        }
        const TListingPage listing = TPageRenderer::Paginate(FCatalogue.SongsOfGenre(genre->Slug),
                                                             PageParam(params, QStringLiteral("p")),
                                                             TPageRenderer::KChartPerPage);
        SendHtml(res, TPageRenderer::ChartPage(*genre, listing));
    });

    server.Get("/hot", [this](const httplib::Request&, httplib::Response& res) {
        SendHtml(res, TPageRenderer::HotSongsPage(FCatalogue.HotSongs(10)));
    });

    server.Get("/info", [this](const httplib::Request&, httplib::Response& res) {
        // The program's own welcome page, a local file, embeds or fetches this page.
        res.set_header("Access-Control-Allow-Origin", "*");
        SendHtml(res, TPageRenderer::InfoPage(FCatalogue));
    });

    server.Get("/watch", [this, base](const httplib::Request& req, httplib::Response& res) {
        const TSampleSong* song = FCatalogue.FindById(QueryParams(req).Value(QStringLiteral("v")));
        if (song == nullptr) {
            SendNotFound(res, QStringLiteral("This video does not exist."));
            return;
        }
        SendHtml(res, TPageRenderer::WatchPage(*song, FToken.ForVideo(song->Id), base(req)));
    });

    server.Get("/get_video_info", [this](const httplib::Request& req, httplib::Response& res) {
        const TSampleSong* song =
            FCatalogue.FindById(QueryParams(req).Value(QStringLiteral("video_id")));
        Send(res, 200,
             song != nullptr ? TPageRenderer::VideoInfo(*song, FToken.ForVideo(song->Id))
                             : TPageRenderer::VideoInfoMissing(),
             kText);
    });

    server.Get("/get_video", [this](const httplib::Request& req, httplib::Response& res) {
        const TNameValueList params = QueryParams(req);
        const TSampleSong* song = FCatalogue.FindById(params.Value(QStringLiteral("video_id")));
        const QString strFormat = params.Value(QStringLiteral("fmt"));
        if (song == nullptr ||
            (!strFormat.isEmpty() && strFormat != u"mp4" && strFormat != u"webm")) {
            SendNotFound(res, QStringLiteral("No such stream."));
            return;
        }
        if (!FToken.Accepts(song->Id, params.Value(QStringLiteral("t")))) {
            Send(res, 403, QByteArrayLiteral("The stream token is missing or invalid.\n"), kText);
            return;
        }
        const EAudioFormat format =
            strFormat == u"webm" ? EAudioFormat::KWebmOpus : EAudioFormat::KMp4Aac;
        const QByteArray bytes = FAudio.Get(*song, format);
        if (bytes.isEmpty()) {
            Send(res, 500, QByteArrayLiteral("The stream could not be made.\n"), kText);
            return;
        }
        // The status stays unset so that the server answers a Range request with 206 and the
        // requested part.
        res.set_header("Accept-Ranges", "bytes");
        res.set_content(bytes.constData(), size_t(bytes.size()),
                        TAudioEncoder::MimeType(format).constData());
    });

    server.Get("/update", [this, base](const httplib::Request& req, httplib::Response& res) {
        bool bOk = false;
        const quint32 installed = QueryParams(req).Value(QStringLiteral("VER")).toUInt(&bOk, 16);
        const bool bNewer = KrUtils::VersionToInt(FOptions.LatestVersion) > (bOk ? installed : 0);
        Send(
            res, 200,
            TPageRenderer::UpdateAnswer(FOptions, bNewer, base(req) + QStringLiteral("/site/home")),
            kText);
    });

    server.Get(R"(/site/(home|help|support|eula|privacy|redirect))",
               [](const httplib::Request& req, httplib::Response& res) {
                   SendHtml(res, TPageRenderer::SitePage(QString::fromStdString(req.matches[1])));
               });
}
