#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "net/SingleDownloader.h"
#include "net/TransferThread.h"

using EFault = TLoopbackHttpServer::EFault;

class TestSingleDownloader : public QObject {
    Q_OBJECT

private:
    TTestSandbox FSandbox;
    TLoopbackHttpServer FServer;

    QString TempFolder() const { return FSandbox.Root() + QStringLiteral("tmp/"); }

    // Runs one fetch to its end; returns which event ended it.
    enum class EEnd { KDoneString, KDoneFile, KError, KNothing };
    struct TOutcome {
        EEnd End = EEnd::KNothing;
        QString Text;
        qint64 FileSize = -1;
    };
    static TOutcome Fetch(TSingleDownloader& sd, bool bToFile) {
        QSignalSpy doneString(&sd, &TSingleDownloader::OnDoneString);
        QSignalSpy doneFile(&sd, &TSingleDownloader::OnDoneFile);
        QSignalSpy error(&sd, &TSingleDownloader::OnError);
        bToFile ? sd.GetFile() : sd.GetString();
        TOutcome outcome;
        if (!QTest::qWaitFor([&] { return doneString.size() + doneFile.size() + error.size() > 0; },
                             20000)) {
            return outcome;
        }
        // Exactly one event ends a fetch.
        if (doneString.size() + doneFile.size() + error.size() != 1) {
            return outcome;
        }
        if (!doneString.isEmpty()) {
            outcome.End = EEnd::KDoneString;
            outcome.Text = doneString[0][1].toString();
        } else if (!doneFile.isEmpty()) {
            outcome.End = EEnd::KDoneFile;
            outcome.FileSize = doneFile[0][2].toLongLong();
        } else {
            outcome.End = EEnd::KError;
        }
        return outcome;
    }

private slots:
    void initTestCase() {
        QVERIFY(FServer.IsRunning());
        QDir().mkpath(TempFolder());
        qputenv("TMPDIR", TempFolder().toUtf8());
    }

    void cleanup() {
        FServer.ReleaseStalls();
        // Detached workers wind down on their own; none may outlive a test.
        QTRY_COMPARE_WITH_TIMEOUT(TTransferThread::LiveCount(), 0, 10000);
    }

    void decodesByCharset_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("charset");
        QTest::addColumn<QString>("expected");
        const QString strUmlauts = QStringLiteral("Gr\u00FC\u00DFe \u266B");
        QTest::newRow("ansi utf-8 bytes")
            << strUmlauts.toUtf8() << int(THttpCharset::KAnsi) << strUmlauts;
        QTest::newRow("ansi legacy 8-bit bytes")
            << QByteArray("caf\xE9") << int(THttpCharset::KAnsi) << QStringLiteral("caf\u00E9");
        QTest::newRow("utf-8") << strUmlauts.toUtf8() << int(THttpCharset::KUTF8) << strUmlauts;
        QTest::newRow("utf-16le odd byte dropped")
            << QByteArray("h\0\xE9\0!", 5) << int(THttpCharset::KUnicode)
            << QStringLiteral("h\u00E9");
        QTest::newRow("byte-order mark kept")
            << QByteArray("\xEF\xBB\xBFx") << int(THttpCharset::KUTF8) << QStringLiteral("\uFEFFx");
    }
    void decodesByCharset() {
        QFETCH(QByteArray, body);
        QFETCH(int, charset);
        QFETCH(QString, expected);
        FServer.SetPage(QStringLiteral("/text"), body, 200, "text/plain");
        TSingleDownloader sd;
        sd.SetURL(FServer.URL(QStringLiteral("/text")));
        sd.SetHttpCharset(THttpCharset(charset));
        const TOutcome outcome = Fetch(sd, false);
        QCOMPARE(outcome.End, EEnd::KDoneString);
        QCOMPARE(outcome.Text, expected);
    }

    // How each kind of answer ends a text fetch and a file fetch.
    void answers_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("toFile");
        QTest::addColumn<int>("end");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray body = TLoopbackHttpServer::GeneratedBytes(0, 100000);
        FServer.SetPage(QStringLiteral("/plain"), body, 200, "application/octet-stream");
        FServer.SetPage(QStringLiteral("/empty"), QByteArray());
        FServer.SetFault(QStringLiteral("/nolength"), body, EFault::KNoContentLength);
        FServer.SetFault(QStringLiteral("/cut"), body, EFault::KCutOff);
        FServer.SetFault(QStringLiteral("/reset"), body, EFault::KReset);
        FServer.SetFault(QStringLiteral("/huge-header"), "x", EFault::KHugeHeader);
        FServer.SetPage(QStringLiteral("/missing"), "<h1>gone</h1>", 404);
        FServer.SetPage(QStringLiteral("/broken"), "<h1>oops</h1>", 500);
        FServer.SetRedirect(QStringLiteral("/hop1"), QStringLiteral("/hop2"), 301);
        FServer.SetRedirect(QStringLiteral("/hop2"), FServer.URL(QStringLiteral("/hop3")), 302);
        FServer.SetRedirect(QStringLiteral("/hop3"), QStringLiteral("/plain"), 307);
        FServer.SetRedirect(QStringLiteral("/loop"), QStringLiteral("/loop"));

        const int kString = int(EEnd::KDoneString);
        const int kFile = int(EEnd::KDoneFile);
        const int kError = int(EEnd::KError);
        QTest::newRow("text") << "/plain" << false << kString << body;
        QTest::newRow("file") << "/plain" << true << kFile << body;
        QTest::newRow("empty text is an error") << "/empty" << false << kError << QByteArray();
        QTest::newRow("text without length") << "/nolength" << false << kString << body;
        // Without Content-Length the sizes differ, yet what arrived is kept.
        QTest::newRow("file without length fails, bytes kept")
            << "/nolength" << true << kError << body;
        QTest::newRow("text cut short") << "/cut" << false << kError << QByteArray();
        QTest::newRow("file cut short") << "/cut" << true << kError << body.first(50000);
        QTest::newRow("text reset") << "/reset" << false << kError << QByteArray();
        QTest::newRow("file reset") << "/reset" << true << kError << QByteArray();
        QTest::newRow("oversized header") << "/huge-header" << false << kError << QByteArray();
        // A text fetch hands the caller the error page; a file fetch never stores one.
        QTest::newRow("text 404 page")
            << "/missing" << false << kString << QByteArray("<h1>gone</h1>");
        QTest::newRow("file 404") << "/missing" << true << kError << QByteArray();
        QTest::newRow("file 500") << "/broken" << true << kError << QByteArray();
        QTest::newRow("redirect chain text") << "/hop1" << false << kString << body;
        QTest::newRow("redirect chain file") << "/hop1" << true << kFile << body;
        QTest::newRow("redirect loop") << "/loop" << false << kError << QByteArray();
    }
    void answers() {
        QFETCH(QString, path);
        QFETCH(bool, toFile);
        QFETCH(int, end);
        QFETCH(QByteArray, expected);
        const QString strFile = FSandbox.Root() + QStringLiteral("out/sub/answer.bin");
        QFile::remove(strFile);
        TSingleDownloader sd;
        sd.SetURL(FServer.URL(path));
        sd.SetFileName(strFile);
        sd.SetHttpCharset(THttpCharset::KUTF8);
        const TOutcome outcome = Fetch(sd, toFile);
        QCOMPARE(int(outcome.End), end);
        if (outcome.End == EEnd::KDoneString) {
            QCOMPARE(outcome.Text.toUtf8(), expected);
        }
        if (outcome.End == EEnd::KDoneFile) {
            QCOMPARE(outcome.FileSize, qint64(expected.size()));
        }
        if (toFile && !expected.isEmpty()) {
            QCOMPARE(ReadAll(strFile), expected);
        }
        // The temporary copy of a file fetch never stays behind.
        QCOMPARE(QDir(TempFolder()).entryList(QDir::Files), QStringList());
    }

    void progressFollowsEveryChunk() {
        const qint64 iSize = 200000;
        FServer.SetGenerated(QStringLiteral("/gen"), iSize);
        TSingleDownloader sd;
        sd.SetURL(FServer.URL(QStringLiteral("/gen")));
        sd.SetFileName(FSandbox.Root() + QStringLiteral("progress.bin"));
        QSignalSpy progress(&sd, &TSingleDownloader::OnProgress);
        QCOMPARE(Fetch(sd, true).End, EEnd::KDoneFile);
        QVERIFY(!progress.isEmpty());
        qint64 iLast = 0;
        for (const QList<QVariant>& args : std::as_const(progress)) {
            QCOMPARE(args[0].value<TSingleDownloader*>(), &sd);
            QCOMPARE(args[1].toLongLong(), iSize);
            const qint64 iReaded = args[2].toLongLong();
            QVERIFY(iReaded > iLast && iReaded - iLast <= 16384);
            iLast = iReaded;
        }
        QCOMPARE(iLast, iSize);
        QCOMPARE(ReadAll(sd.FileName()), TLoopbackHttpServer::GeneratedBytes(0, iSize));
    }

    void sendsTheRequestFields() {
        FServer.SetPage(QStringLiteral("/headers"), "ok");
        TSingleDownloader sd;
        sd.SetURL(FServer.URL(QStringLiteral("/headers?q=1")));
        sd.SetAgent(QStringLiteral("HalvexTest/1.0"));
        sd.SetReferer(QStringLiteral("http://referrer.example/page"));
        sd.SetAcceptTypes(QString());
        sd.SetUserName(QStringLiteral("user"));
        sd.SetPassword(QStringLiteral("secret"));
        QCOMPARE(Fetch(sd, false).End, EEnd::KDoneString);
        const TLoopbackHttpServer::TRecordedRequest request = FServer.Requests().constLast();
        QCOMPARE(request.Target, QByteArray("/headers?q=1"));
        QCOMPARE(request.Version, QByteArray("HTTP/1.0"));
        QCOMPARE(request.Headers.value("user-agent"), QByteArray("HalvexTest/1.0"));
        QCOMPARE(request.Headers.value("referer"), QByteArray("http://referrer.example/page"));
        QCOMPARE(request.Headers.value("accept"), QByteArray("*"));
        QCOMPARE(request.Headers.value("pragma"), QByteArray("no-cache"));
        QCOMPARE(request.Headers.value("authorization"), QByteArray("Basic dXNlcjpzZWNyZXQ="));

        sd.SetUseCache(true);
        sd.SetAcceptTypes(QStringLiteral("text/html"));
        QCOMPARE(Fetch(sd, false).End, EEnd::KDoneString);
        QVERIFY(!FServer.Requests().constLast().Headers.contains("pragma"));
        QCOMPARE(FServer.Requests().constLast().Headers.value("accept"), QByteArray("text/html"));
    }

    void addressForms_data() {
        QTest::addColumn<QString>("url");
        const QString strHostPort = QStringLiteral("127.0.0.1:") + QString::number(FServer.Port());
        QTest::newRow("scheme in capitals") << QStringLiteral("HTTP://") + strHostPort + "/addr";
        QTest::newRow("no scheme means http") << strHostPort + "/addr";
        QTest::newRow("another address in the query")
            << QStringLiteral("http://") + strHostPort + "/addr?next=https://elsewhere.example/";
    }
    void addressForms() {
        QFETCH(QString, url);
        FServer.SetPage(QStringLiteral("/addr"), "reached");
        TSingleDownloader sd;
        sd.SetURL(url);
        const TOutcome outcome = Fetch(sd, false);
        QCOMPARE(outcome.End, EEnd::KDoneString);
        QCOMPARE(outcome.Text, QStringLiteral("reached"));
    }

    void https_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("trustTestCA");
        QTest::addColumn<bool>("ok");
        QTest::newRow("trusted, name matches") << "localhost" << true << true;
        QTest::newRow("trusted, name differs") << "127.0.0.1" << true << false;
        QTest::newRow("unknown authority") << "localhost" << false << false;
    }
    void https() {
        QFETCH(QString, host);
        QFETCH(bool, trustTestCA);
        QFETCH(bool, ok);
        const QString strTls = QStringLiteral(HALVEX_TEST_DATA_DIR "/net/tls/");
        TLoopbackHttpServer server(strTls + "localhost.pem", strTls + "localhost.key");
        QVERIFY(server.IsRunning());
        server.SetPage(QStringLiteral("/secure"), "secret page");
        TSingleDownloader sd;
        sd.SetURL(QStringLiteral("https://%1:%2/secure").arg(host).arg(server.Port()));
        if (trustTestCA) {
            sd.SetCAFile(strTls + "ca.pem");
        }
        const TOutcome outcome = Fetch(sd, false);
        QCOMPARE(outcome.End, ok ? EEnd::KDoneString : EEnd::KError);
        if (ok) {
            QCOMPARE(outcome.Text, QStringLiteral("secret page"));
        }
    }

    void refusedConnectionFails() {
        TSingleDownloader sd;
        {
            TLoopbackHttpServer gone;
            sd.SetURL(gone.URL(QStringLiteral("/x")));
        }
        QCOMPARE(Fetch(sd, false).End, EEnd::KError);
    }

    // A server whose accept queue is full drops new connection attempts, so connecting would
    // wait for minutes of retries without the connect time-out.
    void connectTimeout() {
        const int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        QVERIFY(bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0);
        QVERIFY(listen(listener, 0) == 0);
        QVERIFY(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        const int filler = socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(::connect(filler, reinterpret_cast<sockaddr*>(&address), length) == 0);

        TSingleDownloader sd;
        sd.SetConnectTimeout(500);
        sd.SetURL(QStringLiteral("http://127.0.0.1:%1/x").arg(ntohs(address.sin_port)));
        QCOMPARE(Fetch(sd, false).End, EEnd::KError);
        close(filler);
        close(listener);
    }

    void binaryDataRefusesAnswerWithoutLength() {
        FServer.SetFault(QStringLiteral("/binary"), "abc", EFault::KNoContentLength);
        TSingleDownloader sd;
        sd.SetURL(FServer.URL(QStringLiteral("/binary")));
        sd.SetBinaryData(true);
        QCOMPARE(Fetch(sd, false).End, EEnd::KError);
        FServer.SetPage(QStringLiteral("/binary"), "abc");
        QCOMPARE(Fetch(sd, false).End, EEnd::KDoneString);
    }

    // A stalled answer fails after the receive time-out; a slow one that keeps delivering
    // does not, however long it takes in total.
    void receiveTimeout() {
        TLoopbackHttpServer::TRoute stall;
        stall.Body = QByteArray(1000, 's');
        stall.Fault = EFault::KStall;
        FServer.SetRoute(QStringLiteral("/stall"), stall);
        TLoopbackHttpServer::TRoute trickle;
        trickle.Body = QByteArray(3000, 't');
        trickle.Fault = EFault::KSlowTrickle;
        trickle.TrickleBytes = 100;
        trickle.TrickleDelayMs = 100;
        FServer.SetRoute(QStringLiteral("/trickle"), trickle);

        TSingleDownloader sd;
        sd.SetReceiveTimeout(1500);
        sd.SetURL(FServer.URL(QStringLiteral("/stall")));
        QCOMPARE(Fetch(sd, false).End, EEnd::KError);
        sd.SetURL(FServer.URL(QStringLiteral("/trickle")));
        const TOutcome outcome = Fetch(sd, false);
        QCOMPARE(outcome.End, EEnd::KDoneString);
        QCOMPARE(outcome.Text, QString(3000, u't'));
    }

    void busyStartIsIgnoredAndAbortDetaches() {
        FServer.SetFault(QStringLiteral("/slow"), QByteArray(1000, 'a'), EFault::KStall);
        FServer.SetPage(QStringLiteral("/fast"), "fast");
        TSingleDownloader sd;
        QSignalSpy doneString(&sd, &TSingleDownloader::OnDoneString);
        QSignalSpy error(&sd, &TSingleDownloader::OnError);
        QSignalSpy progress(&sd, &TSingleDownloader::OnProgress);
        sd.SetURL(FServer.URL(QStringLiteral("/slow")));
        sd.GetString();
        QVERIFY(sd.Busy());
        QTRY_COMPARE(FServer.RequestCount(QStringLiteral("/slow")), 1);
        sd.SetURL(FServer.URL(QStringLiteral("/fast")));
        sd.GetString();
        QTRY_VERIFY(!progress.isEmpty());
        QCOMPARE(FServer.RequestCount(QStringLiteral("/fast")), 0);

        sd.Abort();
        QVERIFY(!sd.Busy());
        const qsizetype iProgressBefore = progress.size();
        sd.GetString();
        QVERIFY(doneString.wait());
        QCOMPARE(doneString.constLast()[1].toString(), QStringLiteral("fast"));

        // The detached fetch ends on its own and is never heard of.
        FServer.ReleaseStalls();
        QTRY_COMPARE(TTransferThread::LiveCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(doneString.size(), 1);
        QCOMPARE(error.size(), 0);
        // One chunk of the second fetch, none of the detached one.
        QCOMPARE(progress.size() - iProgressBefore, 1);
    }

    void waitThreadReturnsAfterTheEvent() {
        FServer.SetPage(QStringLiteral("/wait"), "waited");
        TSingleDownloader sd;
        sd.SetWaitThread(true);
        sd.SetURL(FServer.URL(QStringLiteral("/wait")));
        QSignalSpy doneString(&sd, &TSingleDownloader::OnDoneString);
        sd.GetString();
        QCOMPARE(doneString.size(), 1);
        QVERIFY(!sd.Busy());
    }

    void handlerMayStartTheNextFetch() {
        FServer.SetPage(QStringLiteral("/first"), "1");
        FServer.SetPage(QStringLiteral("/second"), "2");
        TSingleDownloader sd;
        QStringList results;
        connect(&sd, &TSingleDownloader::OnDoneString, this,
                [&](TSingleDownloader*, const QString& strResult) {
                    results.append(strResult);
                    if (results.size() == 1) {
                        sd.SetURL(FServer.URL(QStringLiteral("/second")));
                        sd.GetString();
                    }
                });
        sd.SetURL(FServer.URL(QStringLiteral("/first")));
        sd.GetString();
        QTRY_COMPARE(results, (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    }

    void destroyingARunningFetcherRaisesNothing() {
        FServer.SetFault(QStringLiteral("/doomed"), QByteArray(1000, 'd'), EFault::KStall);
        auto* sd = new TSingleDownloader;
        sd->SetURL(FServer.URL(QStringLiteral("/doomed")));
        sd->GetString();
        QTRY_COMPARE(FServer.RequestCount(QStringLiteral("/doomed")), 1);
        delete sd;
        FServer.ReleaseStalls();
        QTRY_COMPARE(TTransferThread::LiveCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSingleDownloader)
#include "tst_SingleDownloader.moc"
