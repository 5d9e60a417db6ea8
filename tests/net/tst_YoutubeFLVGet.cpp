#include <QSignalSpy>
#include <QTest>

#include "LoopbackHttpServer.h"
#include "TestFramework.h"
#include "net/SingleDownloader.h"
#include "net/TransferThread.h"
#include "net/YoutubeFLVGet.h"

using EFault = TLoopbackHttpServer::EFault;

namespace {

// A resolver pointed at the loopback service.
void Configure(TYoutubeFLVGet& flv, const TLoopbackHttpServer& server) {
    flv.SetYoutubeWatchURI(server.URL(QStringLiteral("/watch?v=")));
    flv.SetYoutubeGetInfoURI(server.URL(QStringLiteral("/get_video_info?&video_id=")));
    flv.SetYoutubeGetVideoURI(QStringLiteral("http://media.example/get_video?video_id="));
}

// What a resolution reported: "url:<address>", "bad:<searched text>", or several of them.
QStringList Reports(TYoutubeFLVGet& flv) {
    QStringList reports;
    QObject::connect(&flv, &TYoutubeFLVGet::OnURIGot, &flv, [&](const QString& strURL, int iFmt) {
        reports.append(QStringLiteral("url:") + strURL + (iFmt == -1 ? "" : "?fmt"));
    });
    QObject::connect(&flv, &TYoutubeFLVGet::OnBadResponse, &flv, [&](const QString& strMsg) {
        reports.append(QStringLiteral("bad:") + strMsg);
    });
    flv.Get();
    if (!QTest::qWaitFor([&] { return !reports.isEmpty() && !flv.Busy(); }, 20000)) {
        reports.append(QStringLiteral("no report"));
    }
    // Anything late would show up here.
    if (!QTest::qWaitFor([&] { return TTransferThread::LiveCount() == 0; }, 10000)) {
        reports.append(QStringLiteral("worker left running"));
    }
    QCoreApplication::processEvents();
    return reports;
}

}  // namespace

class TestYoutubeFLVGet : public QObject {
    Q_OBJECT

private:
    TLoopbackHttpServer FServer;

private slots:
    void init() {
        for (const TLoopbackHttpServer::TRecordedRequest& request : FServer.Requests()) {
            FServer.RemoveRoute(QString::fromUtf8(request.Target));
        }
    }
    void cleanup() {
        FServer.ReleaseStalls();
        QTRY_COMPARE_WITH_TIMEOUT(TTransferThread::LiveCount(), 0, 10000);
    }

    // Each method against pages that exercise its patterns, separators and tables.
    void resolves_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("splitStr");
        QTest::addColumn<QByteArray>("watchPage");
        QTest::addColumn<QByteArray>("infoPage");
        QTest::addColumn<QStringList>("expected");

        const QString strVideo = QStringLiteral("http://media.example/get_video?video_id=vid42&t=");
        const int kWatch = int(TYoutubeFLVGetMethod::KFromWatch);
        const int kInfo = int(TYoutubeFLVGetMethod::KFromGetInfo);
        const int kWatch2 = int(TYoutubeFLVGetMethod::KFromWatch2);

        QTest::newRow("watch: arguments split by &")
            << kWatch << "&"
            << QByteArray(
                   "<html>var swfHTML = 'video_id=vid42&l=212&t=vjVQa1PpcFP%2Bx&hl=en"
                   "embed>\";</html>")
            << QByteArray() << QStringList{"url:" + strVideo + "vjVQa1PpcFP+x"};
        QTest::newRow("watch: quoted pairs split by commas")
            << kWatch << ","
            << QByteArray(
                   "swfHTML{\"video_id\": \"vid42\", \"t\": \"OEgsToPDskK\", \"l\": 99}"
                   "embed>\";")
            << QByteArray() << QStringList{"url:" + strVideo + "OEgsToPDskK"};
        QTest::newRow("watch: token kept raw without decoding")
            << kWatch << "&" << QByteArray("swfHTML&t=a%2Bb&embed>\";") << QByteArray()
            << QStringList{"url:" + strVideo + "a%2Bb"};
        // No token in the watch page: the information page is asked, and only its outcome is
        // reported.
        QTest::newRow("watch falls back to information")
            << kWatch << "&" << QByteArray("<html>no player here</html>")
            << QByteArray("status=ok&token=InfoTok%3D&video_id=vid42")
            << QStringList{"url:" + strVideo + "InfoTok="};
        QTest::newRow("watch and information both without token")
            << kWatch << "&" << QByteArray("<html>no player here</html>")
            << QByteArray("status=fail&reason=gone")
            << QStringList{"bad:status=fail\r\nreason=gone\r\n"};
        QTest::newRow("malformed escape in watch token falls back")
            << kWatch << "&" << QByteArray("swfHTML&t=bad%zz&embed>\";") << QByteArray("token=T2")
            << QStringList{"url:" + strVideo + "T2"};
        QTest::newRow("information with token")
            << kInfo << "&" << QByteArray() << QByteArray("token=abc%2Fdef&status=ok")
            << QStringList{"url:" + strVideo + "abc/def"};
        QTest::newRow("information without token: one report, no further fetch")
            << kInfo << "&" << QByteArray() << QByteArray("status=fail")
            << QStringList{"bad:status=fail\r\n"};
        QTest::newRow("format table 5, 34, 18 chooses 18")
            << kWatch2 << "&"
            << QByteArray(
                   "<script>'PLAYER_CONFIG': {a=1&fmt_stream_map=5%7Chttp%3A%2F%2Fm%2F5%2C34%7C"
                   "http%3A%2F%2Fm%2F34%2C18%7Chttp%3A%2F%2Fm%2F18&x=1}</script>")
            << QByteArray() << QStringList{"url:http://m/18"};
        QTest::newRow("format table 34, 5 keeps 34")
            << kWatch2 << "&"
            << QByteArray(
                   "'PLAYER_CONFIG': {fmt_url_map=34%7Chttp%3A%2F%2Fm%2F34%2C5%7Chttp%3A%2F%"
                   "2Fm%2F5}")
            << QByteArray() << QStringList{"url:http://m/34"};
        QTest::newRow("format table without pattern reads the whole page")
            << kWatch2 << "&" << QByteArray("a=1&fmt_stream_map=5%7Chttp%3A%2F%2Fm%2Fonly\n")
            << QByteArray() << QStringList{"url:http://m/only"};
        QTest::newRow("encoded table picks flv format 5")
            << kWatch2 << "&"
            << QByteArray(
                   "url_encoded_fmt_stream_map="
                   "url%3Dhttp%253A%252F%252Fm%252Fmp4%26type%3Dvideo%252Fmp4%26itag%3D18%2C"
                   "url%3Dhttp%253A%252F%252Fm%252Fflv%253Fa%253D1%26type%3Dvideo%252Fx-flv%"
                   "26itag%3D5")
            << QByteArray() << QStringList{"url:http://m/flv?a=1"};
        QTest::newRow("no usable table")
            << kWatch2 << "&" << QByteArray("fmt_stream_map=%2C%2C") << QByteArray()
            << QStringList{"bad:fmt_stream_map=%2C%2C\r\n"};
        QTest::newRow("unknown method")
            << 3 << "&" << QByteArray() << QByteArray() << QStringList{"bad:"};
    }
    void resolves() {
        QFETCH(int, method);
        QFETCH(QString, splitStr);
        QFETCH(QByteArray, watchPage);
        QFETCH(QByteArray, infoPage);
        QFETCH(QStringList, expected);
        FServer.SetPage(QStringLiteral("/watch?v=vid42"), watchPage);
        FServer.SetPage(QStringLiteral("/get_video_info?&video_id=vid42"), infoPage);
        const QString strInfo = QStringLiteral("/get_video_info?&video_id=vid42");
        const int iInfoFetchesBefore = FServer.RequestCount(strInfo);
        TYoutubeFLVGet flv;
        Configure(flv, FServer);
        flv.SetYoutubeWatchPattern(QStringLiteral("swfHTML(.*)embed>\";"));
        flv.SetMethod(TYoutubeFLVGetMethod(method));
        flv.SetSplitStr(splitStr);
        flv.SetNeedURLDecode(!QByteArray(QTest::currentDataTag()).contains("raw"));
        flv.SetYoutubeID(QStringLiteral("vid42"));
        QCOMPARE(Reports(flv), expected);
        QVERIFY(FServer.RequestCount(strInfo) - iInfoFetchesBefore <= 1);
    }

    void watch2FetchesWithItsOwnAgent() {
        FServer.SetPage(QStringLiteral("/watch?v=a1"), "fmt_stream_map=5%7Chttp%3A%2F%2Fm%2F5");
        TYoutubeFLVGet flv;
        Configure(flv, FServer);
        flv.SetMethod(TYoutubeFLVGetMethod::KFromWatch2);
        flv.SetYoutubeID(QStringLiteral("a1"));
        QCOMPARE(Reports(flv), QStringList{QStringLiteral("url:http://m/5")});
        QCOMPARE(FServer.Requests().constLast().Headers.value("user-agent"),
                 QByteArray("Mozilla/4.0"));
    }

    // Failed fetches end in a report too, so a waiting task is never left hanging.
    void failuresReportOnce_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("id");
        QTest::newRow("watch and information pages empty") << 1 << "e1";
        QTest::newRow("information page empty") << 0 << "e1";
        QTest::newRow("third method page empty") << 2 << "e1";
        QTest::newRow("empty identifier") << 1 << "";
    }
    void failuresReportOnce() {
        QFETCH(int, method);
        QFETCH(QString, id);
        FServer.SetPage(QStringLiteral("/watch?v=e1"), QByteArray());
        FServer.SetPage(QStringLiteral("/get_video_info?&video_id=e1"), QByteArray());
        TYoutubeFLVGet flv;
        Configure(flv, FServer);
        flv.SetMethod(TYoutubeFLVGetMethod(method));
        flv.SetYoutubeID(id);
        QCOMPARE(Reports(flv), QStringList{QStringLiteral("bad:")});
    }

    void fallbackSwitchStaysInTheProperty() {
        FServer.SetPage(QStringLiteral("/watch?v=f1"), "nothing");
        FServer.SetPage(QStringLiteral("/get_video_info?&video_id=f1"), "token=tok");
        TYoutubeFLVGet flv;
        Configure(flv, FServer);
        flv.SetYoutubeID(QStringLiteral("f1"));
        QCOMPARE(Reports(flv).size(), 1);
        QCOMPARE(flv.Method(), TYoutubeFLVGetMethod::KFromGetInfo);
    }

    void newGetAbandonsTheOldOne() {
        FServer.SetFault(QStringLiteral("/watch?v=old"), QByteArray(2000, 'o'), EFault::KStall);
        FServer.SetPage(QStringLiteral("/watch?v=new"), "swfHTML&t=NEW&embed>\";");
        TYoutubeFLVGet flv;
        Configure(flv, FServer);
        flv.SetYoutubeID(QStringLiteral("old"));
        flv.Get();
        QTRY_COMPARE(FServer.RequestCount(QStringLiteral("/watch?v=old")), 1);
        flv.SetYoutubeID(QStringLiteral("new"));
        const QStringList reports = Reports(flv);
        FServer.ReleaseStalls();
        QTRY_COMPARE(TTransferThread::LiveCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(
            reports,
            QStringList{QStringLiteral("url:http://media.example/get_video?video_id=new&t=NEW")});
    }

    void cancelSilencesTheResolution() {
        FServer.SetPage(QStringLiteral("/watch?v=c1"), "swfHTML&t=T&embed>\";");
        TYoutubeFLVGet flv;
        Configure(flv, FServer);
        flv.SetYoutubeID(QStringLiteral("c1"));
        QSignalSpy got(&flv, &TYoutubeFLVGet::OnURIGot);
        QSignalSpy bad(&flv, &TYoutubeFLVGet::OnBadResponse);
        flv.Get();
        flv.Cancel();
        QVERIFY(!flv.Busy());
        QTRY_COMPARE(TTransferThread::LiveCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(got.size() + bad.size(), 0);

        // The same for the report of an empty identifier, which comes after Get returned.
        flv.SetYoutubeID(QString());
        flv.Get();
        flv.Cancel();
        QCoreApplication::processEvents();
        QCOMPARE(got.size() + bad.size(), 0);
    }

    void loadsItsSettings() {
        TTestFramework framework(
            QStringLiteral("[setting]\n"
                           "WatchPattern=wp(.*)\n"
                           "WatchPattern2=wp2(.*)\n"
                           "FLVSplitStr=,\n"
                           "FLVNeedDecode=0\n"
                           "FLVGetVideoURI=http://s/get?id=\n"
                           "WatchURL=http://s/watch?v=\n"
                           "GetInfoURL=http://s/info?id=\n"
                           "GetMethod=2\n"
                           "FLVURLFormat=%s.flv\n"));
        TYoutubeFLVGet flv;
        connect(&flv, &TYoutubeFLVGet::OnBeforeGet, this,
                [](TYoutubeFLVGet* sender) { sender->LoadSettings(); });
        flv.Get();
        QCOMPARE(flv.YoutubeWatchPattern(), QStringLiteral("wp(.*)"));
        QCOMPARE(flv.YoutubeWatchPattern2(), QStringLiteral("wp2(.*)"));
        QCOMPARE(flv.SplitStr(), QStringLiteral(","));
        QCOMPARE(flv.NeedURLDecode(), false);
        QCOMPARE(flv.YoutubeGetVideoURI(), QStringLiteral("http://s/get?id="));
        QCOMPARE(flv.YoutubeWatchURI(), QStringLiteral("http://s/watch?v="));
        QCOMPARE(flv.YoutubeGetInfoURI(), QStringLiteral("http://s/info?id="));
        QCOMPARE(flv.Method(), TYoutubeFLVGetMethod::KFromWatch2);
        QCOMPARE(flv.FLVURLFormat(), QStringLiteral("%s.flv"));
    }
};

QTEST_GUILESS_MAIN(TestYoutubeFLVGet)
#include "tst_YoutubeFLVGet.moc"
