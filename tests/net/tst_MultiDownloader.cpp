#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include "LoopbackHttpServer.h"
#include "TestSupport.h"
#include "net/MultiDownloader.h"
#include "net/TransferThread.h"
#include "net/YoutubeFLVGet.h"

using EFault = TLoopbackHttpServer::EFault;
using S = EDownloadState;

namespace {

// Every state event of an engine, as (index, state).
class TStateLog {
public:
    explicit TStateLog(TMultiDownloader& md) {
        QObject::connect(&md, &TMultiDownloader::OnStateChanged, &md,
                         [this](TDownloadList*, int iIndex, EDownloadState state) {
                             Events.append({iIndex, state});
                         });
    }
    QList<EDownloadState> Of(int iIndex) const {
        QList<EDownloadState> states;
        for (const auto& [index, state] : Events) {
            if (index == iIndex) {
                states.append(state);
            }
        }
        return states;
    }
    // Position of the first event of a task in a state, or -1.
    qsizetype Position(int iIndex, EDownloadState state) const {
        return Events.indexOf(QPair<int, EDownloadState>(iIndex, state));
    }
    QList<QPair<int, EDownloadState>> Events;
};

bool IsActive(EDownloadState state) {
    return state == S::KBeforeConnecting || state == S::KDownloading;
}

}  // namespace

class TestMultiDownloader : public QObject {
    Q_OBJECT

private:
    TTestSandbox FSandbox;
    TLoopbackHttpServer FServer;
    int FFileNumber = 0;

    QString NewFile() {
        return FSandbox.Root() + QStringLiteral("downloads/file%1.bin").arg(++FFileNumber);
    }
    QString Url(const QString& strPath) const { return FServer.URL(strPath); }
    static TDownloadItem* Item(TMultiDownloader& md, int iIndex) {
        return md.DownloadList()->Items(iIndex);
    }
    // Points every task's resolver at the loopback service.
    void ConfigureResolvers(TMultiDownloader& md) {
        connect(&md, &TMultiDownloader::OnBeforeFlvGet, this, [this](TYoutubeFLVGet* flv) {
            flv->SetMethod(TYoutubeFLVGetMethod::KFromWatch);
            flv->SetYoutubeWatchURI(Url(QStringLiteral("/watch?v=")));
            flv->SetYoutubeGetInfoURI(Url(QStringLiteral("/info?video_id=")));
            flv->SetYoutubeGetVideoURI(Url(QStringLiteral("/media?video_id=")));
            flv->SetYoutubeWatchPattern(QStringLiteral("swfHTML(.*)embed>\";"));
            flv->SetSplitStr(QStringLiteral("&"));
            flv->SetNeedURLDecode(true);
        });
    }

private slots:
    void initTestCase() {
        QVERIFY(FServer.IsRunning());
        FServer.SetFault(QStringLiteral("/stall"), QByteArray(100000, 's'), EFault::KStall);
        FServer.SetGenerated(QStringLiteral("/small"), 50000);
    }

    void cleanup() {
        FServer.ReleaseStalls();
        QTRY_COMPARE_WITH_TIMEOUT(TTransferThread::LiveCount(), 0, 10000);
    }

    // Which tasks a Resume starts, from a list of task states: R queued, F finished, X failed.
    void scheduling_data() {
        QTest::addColumn<int>("maxTasks");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("started");
        QTest::newRow("two slots, five queued") << 2 << "RRRRR"
                                                << "SS...";
        QTest::newRow("finished tasks hold no slot") << 2 << "FRFRR"
                                                     << ".S.S.";
        QTest::newRow("failed tasks hold no slot") << 1 << "XRR"
                                                   << ".S.";
        QTest::newRow("no slots") << 0 << "RRR"
                                  << "...";
        QTest::newRow("more slots than tasks") << 10 << "RFR"
                                               << "S.S";
    }
    void scheduling() {
        QFETCH(int, maxTasks);
        QFETCH(QString, states);
        QFETCH(QString, started);
        TMultiDownloader md;
        md.SetMaxTasks(maxTasks);
        for (int i = 0; i < states.size(); ++i) {
            QVERIFY(md.Append(Url(QStringLiteral("/stall?n=%1").arg(i)), NewFile(), false,
                              ERedirectTheme::KDirect, QString()));
            if (states[i] != u'R') {
                Item(md, i)->RestoreState(states[i] == u'F' ? S::KFinished : S::KFailed);
            }
        }
        QCOMPARE(md.IsDownloading(), states.contains(u'X'));
        md.Resume();
        QString actual;
        for (int i = 0; i < states.size(); ++i) {
            actual += IsActive(Item(md, i)->DownloadState()) ? u'S' : u'.';
        }
        QCOMPARE(actual, started);
        QCOMPARE(md.UnfinishedTasksCount(), int(states.size() - states.count(u'F')));
        md.StopAll();
    }

    void taskMovedToTheTopDisplacesTheLastRunning() {
        TMultiDownloader md;
        md.SetMaxTasks(2);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(md.Append(Url(QStringLiteral("/stall?m=%1").arg(i)), NewFile(), false,
                              ERedirectTheme::KDirect, QString()));
        }
        md.Resume();
        TDownloadItem* moved = Item(md, 2);
        TDownloadItem* displaced = Item(md, 1);
        md.DownloadList()->MoveUp(2);
        md.DownloadList()->MoveUp(1);
        QCOMPARE(Item(md, 0), moved);
        md.Resume();
        QVERIFY(IsActive(moved->DownloadState()));
        QVERIFY(IsActive(Item(md, 1)->DownloadState()));
        QCOMPARE(displaced->DownloadState(), S::KReady);

        // Without slots every running task goes back to the queue.
        md.SetMaxTasks(0);
        md.Resume();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(Item(md, i)->DownloadState(), S::KReady);
        }
    }

    void finishingTaskStartsTheNext() {
        TMultiDownloader md;
        md.SetMaxTasks(2);
        TStateLog log(md);
        QSignalSpy finished(&md, &TMultiDownloader::OnFinishedEvent);
        int iMostActive = 0;
        connect(&md, &TMultiDownloader::OnStateChanged, this, [&] {
            int iActive = 0;
            for (int i = 0; i < md.DownloadList()->ItemCount(); ++i) {
                iActive += IsActive(Item(md, i)->DownloadState());
            }
            iMostActive = qMax(iMostActive, iActive);
        });
        QStringList files;
        for (int i = 0; i < 5; ++i) {
            files.append(NewFile());
            QVERIFY(md.Append(Url(QStringLiteral("/small?f=%1").arg(i)), files.last(), false,
                              ERedirectTheme::KDirect, QString()));
        }
        md.Resume();
        QTRY_COMPARE_WITH_TIMEOUT(md.UnfinishedTasksCount(), 0, 30000);
        QCOMPARE(iMostActive, 2);
        QCOMPARE(finished.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(log.Of(i), (QList<S>{S::KBeforeConnecting, S::KDownloading, S::KFinished}));
            QCOMPARE(Item(md, i)->ProgressPercent(), 100);
            QCOMPARE(ReadAll(files[i]), TLoopbackHttpServer::GeneratedBytes(0, 50000));
        }
        // The third task starts only once one of the first two finished.
        QVERIFY(log.Position(2, S::KBeforeConnecting) > log.Position(0, S::KFinished) ||
                log.Position(2, S::KBeforeConnecting) > log.Position(1, S::KFinished));
        for (const QList<QVariant>& args : std::as_const(finished)) {
            QCOMPARE(args[2].toString(), files[args[1].toInt()]);
            QCOMPARE(args[3].toString(), QString());
            QCOMPARE(args[4].toLongLong(), 50000);
        }
    }

    // A file transfer that does not bring the whole file fails; a partial file stays.
    void fileTransferFailures_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("leftOnDisk");
        const QByteArray body(40000, 'b');
        FServer.SetPage(QStringLiteral("/404"), "<h1>missing</h1>", 404);
        FServer.SetFault(QStringLiteral("/nolength"), body, EFault::KNoContentLength);
        FServer.SetFault(QStringLiteral("/cut"), body, EFault::KCutOff);
        FServer.SetFault(QStringLiteral("/reset"), body, EFault::KReset);
        FServer.SetPage(QStringLiteral("/empty"), QByteArray());
        QTest::newRow("error status") << "/404" << qint64(-1);
        QTest::newRow("no content length") << "/nolength" << qint64(40000);
        QTest::newRow("cut short") << "/cut" << qint64(20000);
        QTest::newRow("reset") << "/reset" << qint64(-2);
        QTest::newRow("empty answer") << "/empty" << qint64(0);
    }
    void fileTransferFailures() {
        QFETCH(QString, path);
        QFETCH(qint64, leftOnDisk);
        TMultiDownloader md;
        TStateLog log(md);
        QSignalSpy errors(&md, &TMultiDownloader::OnErrorEvent);
        QSignalSpy finished(&md, &TMultiDownloader::OnFinishedEvent);
        const QString strFile = NewFile();
        QVERIFY(md.Append(Url(path), strFile, false, ERedirectTheme::KDirect, QString()));
        md.Resume();
        QTRY_COMPARE(Item(md, 0)->DownloadState(), S::KFailed);
        QCOMPARE(log.Of(0).first(), S::KBeforeConnecting);
        QCOMPARE(log.Of(0).last(), S::KFailed);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(finished.size(), 0);
        if (leftOnDisk == -1) {
            QVERIFY(!QFile::exists(strFile));
        } else if (leftOnDisk >= 0) {
            QCOMPARE(QFileInfo(strFile).size(), leftOnDisk);
        }
    }

    void failedTaskWaitsForResumeToStartTheNext() {
        FServer.SetPage(QStringLiteral("/gone"), "no", 404);
        TMultiDownloader md;
        md.SetMaxTasks(1);
        QVERIFY(md.Append(Url(QStringLiteral("/gone")), NewFile(), false, ERedirectTheme::KDirect,
                          QString()));
        QVERIFY(md.Append(Url(QStringLiteral("/small?after=fail")), NewFile(), false,
                          ERedirectTheme::KDirect, QString()));
        md.Resume();
        QTRY_COMPARE(Item(md, 0)->DownloadState(), S::KFailed);
        QCoreApplication::processEvents();
        QCOMPARE(Item(md, 1)->DownloadState(), S::KReady);
        QVERIFY(md.IsDownloading());
        md.Resume();
        QTRY_COMPARE(Item(md, 1)->DownloadState(), S::KFinished);
    }

    // The road of a song: page step, stream resolution, file transfer, finish, next task.
    void songPath() {
        const qint64 iStreamSize = 300000;
        FServer.SetPage(QStringLiteral("/dl?v=song1"), "<html>download page</html>");
        FServer.SetPage(QStringLiteral("/dl?v=song2"), "<html>download page</html>");
        FServer.SetPage(QStringLiteral("/watch?v=song1"),
                        "<script>swfHTML = 'video_id=song1&t=TOKEN%2D1&fmt=18' embed>\";</script>");
        FServer.SetPage(QStringLiteral("/watch?v=song2"),
                        "<script>swfHTML = 'video_id=song2&t=TOKEN2&x=' embed>\";</script>");
        FServer.SetGenerated(QStringLiteral("/media?video_id=song1&t=TOKEN-1"), iStreamSize);
        FServer.SetGenerated(QStringLiteral("/media?video_id=song2&t=TOKEN2"), 1000);

        TMultiDownloader md;
        md.SetMaxTasks(1);
        ConfigureResolvers(md);
        TStateLog log(md);
        QSignalSpy progress(&md, &TMultiDownloader::OnProgress);
        QSignalSpy finished(&md, &TMultiDownloader::OnFinishedEvent);
        const QString strFile1 = NewFile();
        const QString strFile2 = NewFile();
        QVERIFY(md.Append(Url(QStringLiteral("/dl?v=song1")), strFile1, true,
                          ERedirectTheme::KYouTube, QString()));
        QVERIFY(md.Append(Url(QStringLiteral("/dl?v=song2")), strFile2, true,
                          ERedirectTheme::KYouTube, QString()));
        md.Resume();
        QTRY_COMPARE_WITH_TIMEOUT(md.UnfinishedTasksCount(), 0, 30000);

        const QList<S> songStates{S::KBeforeConnecting, S::KDownloading, S::KBeforeConnecting,
                                  S::KDownloading, S::KFinished};
        QCOMPARE(log.Of(0), songStates);
        QCOMPARE(log.Of(1), songStates);
        QVERIFY(log.Position(1, S::KBeforeConnecting) > log.Position(0, S::KFinished));
        TDownloadItem* song = Item(md, 0);
        QCOMPARE(song->YouTubeId(), QStringLiteral("song1"));
        QCOMPARE(song->URL(), Url(QStringLiteral("/media?video_id=song1&t=TOKEN-1")));
        QCOMPARE(song->URLOrg(), Url(QStringLiteral("/dl?v=song1")));
        QCOMPARE(song->ResultString(), QStringLiteral("<html>download page</html>"));
        QCOMPARE(ReadAll(strFile1), TLoopbackHttpServer::GeneratedBytes(0, iStreamSize));

        // Progress is reported for the stream only, never for the page step.
        QVERIFY(!progress.isEmpty());
        for (const QList<QVariant>& args : std::as_const(progress)) {
            QVERIFY(args[2].toLongLong() == iStreamSize || args[2].toLongLong() == 1000);
        }
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished[0][1].toInt(), 0);
        QCOMPARE(finished[0][2].toString(), strFile1);
        QCOMPARE(finished[0][4].toLongLong(), iStreamSize);
    }

    void resolverFailureFailsTheTask() {
        FServer.SetPage(QStringLiteral("/dl?v=nothing"), "page");
        FServer.SetPage(QStringLiteral("/watch?v=nothing"), "no player");
        FServer.SetPage(QStringLiteral("/info?video_id=nothing"), "status=fail");
        TMultiDownloader md;
        ConfigureResolvers(md);
        TStateLog log(md);
        QVERIFY(md.Append(Url(QStringLiteral("/dl?v=nothing")), NewFile(), true,
                          ERedirectTheme::KYouTube, QString()));
        md.Resume();
        QTRY_COMPARE(Item(md, 0)->DownloadState(), S::KFailed);
        QTRY_COMPARE(TTransferThread::LiveCount(), 0);
        QCoreApplication::processEvents();
        // Failed once, after the fallback, never before it.
        QCOMPARE(log.Of(0), (QList<S>{S::KBeforeConnecting, S::KDownloading, S::KFailed}));
    }

    // After a KCustom redirect the task stays a page transfer: its handler's target arrives as
    // text, not as a file.
    void directAndCustomRedirects_data() {
        QTest::addColumn<int>("theme");
        QTest::addColumn<bool>("withHandler");
        QTest::addColumn<int>("endState");
        QTest::addColumn<bool>("asFile");
        QTest::newRow("direct") << int(ERedirectTheme::KDirect) << false << int(S::KFinished)
                                << true;
        QTest::newRow("custom") << int(ERedirectTheme::KCustom) << true << int(S::KFinished)
                                << false;
        QTest::newRow("custom without handler")
            << int(ERedirectTheme::KCustom) << false << int(S::KFailed) << false;
        QTest::newRow("theme out of range") << 7 << false << int(S::KFailed) << false;
    }
    void directAndCustomRedirects() {
        QFETCH(int, theme);
        QFETCH(bool, withHandler);
        QFETCH(int, endState);
        QFETCH(bool, asFile);
        FServer.SetPage(QStringLiteral("/page"), "target=/small?via=page");
        TMultiDownloader md;
        QSignalSpy finished(&md, &TMultiDownloader::OnFinishedEvent);
        QString strSeen;
        if (withHandler) {
            md.SetOnRedirectEvent([&](TDownloadItem*, const QString& strContent, QString& strURL,
                                      TRedirOptions& options) {
                strSeen = strContent;
                QVERIFY(options.RedirectURL.isEmpty());
                strURL = Url(strContent.sliced(strContent.indexOf(u'=') + 1));
                options = TRedirOptions{false, ERedirectTheme::KDirect, QString()};
            });
        }
        const QString strFile = NewFile();
        QVERIFY(md.Append(Url(QStringLiteral("/page")), strFile, true, ERedirectTheme(theme),
                          Url(QStringLiteral("/small?via=direct"))));
        md.Resume();
        QTRY_VERIFY(!IsActive(Item(md, 0)->DownloadState()) && !Item(md, 0)->Busy());
        QCOMPARE(int(Item(md, 0)->DownloadState()), endState);
        QCOMPARE(finished.size(), endState == int(S::KFinished) ? 1 : 0);
        if (!finished.isEmpty()) {
            QCOMPARE(finished[0][2].toString(), asFile ? strFile : QString());
            QCOMPARE(finished[0][3].toString().size(), asFile ? 0 : 50000);
            QCOMPARE(finished[0][4].toLongLong(), 50000);
            QCOMPARE(ReadAll(strFile).size(), asFile ? 50000 : 0);
        }
        if (withHandler) {
            QCOMPARE(strSeen, QStringLiteral("target=/small?via=page"));
        }
    }

    void abortAndResetSequences_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QList<S>>("events");
        QTest::newRow("abort") << "abort" << QList<S>{S::KAbort, S::KReady};
        QTest::newRow("reset") << "reset" << QList<S>{S::KReady};
        QTest::newRow("redownload leaves the worker") << "redownload" << QList<S>{S::KReady};
    }
    void abortAndResetSequences() {
        QFETCH(QString, operation);
        QFETCH(QList<S>, events);
        TMultiDownloader md;
        QVERIFY(md.Append(Url(QStringLiteral("/stall?op=") + operation), NewFile(), false,
                          ERedirectTheme::KDirect, QString()));
        md.Resume();
        TDownloadItem* item = Item(md, 0);
        QSignalSpy progress(&md, &TMultiDownloader::OnProgress);
        // Everything before the stall has arrived: no chunk is on its way any more.
        QTRY_VERIFY(!progress.isEmpty() && progress.constLast()[3].toLongLong() == 50000);
        TStateLog log(md);
        QSignalSpy finished(&md, &TMultiDownloader::OnFinishedEvent);
        QSignalSpy errors(&md, &TMultiDownloader::OnErrorEvent);
        if (operation == QLatin1String("abort")) {
            item->Abort();
        } else if (operation == QLatin1String("reset")) {
            item->Reset();
        } else {
            item->ReDownload();
        }
        QCOMPARE(log.Of(0), events);
        FServer.ReleaseStalls();
        QTRY_COMPARE(TTransferThread::LiveCount(), 0);
        QCoreApplication::processEvents();
        if (operation == QLatin1String("redownload")) {
            // The transfer it left alone ends as it ends.
            QCOMPARE(log.Of(0), (QList<S>{S::KReady, S::KFailed}));
        } else {
            QCOMPARE(log.Of(0), events);
            QCOMPARE(errors.size(), 0);
        }
        QCOMPARE(finished.size(), 0);
    }

    void finishedTaskIgnoresAbortButRedownloads() {
        TMultiDownloader md;
        QVERIFY(md.Append(Url(QStringLiteral("/small?done=1")), NewFile(), false,
                          ERedirectTheme::KDirect, QString()));
        md.Resume();
        QTRY_COMPARE(Item(md, 0)->DownloadState(), S::KFinished);
        TStateLog log(md);
        Item(md, 0)->Abort();
        Item(md, 0)->Reset();
        QCOMPARE(log.Events.size(), 0);
        Item(md, 0)->ReDownload();
        QCOMPARE(log.Of(0), QList<S>{S::KReady});
        md.Resume();
        QTRY_COMPARE(Item(md, 0)->DownloadState(), S::KFinished);
    }

    // Stopping a task while its stream is being resolved drops that resolution: the task starts
    // afresh from its first address and plan.
    void abortDuringResolutionStartsAfresh() {
        FServer.SetPage(QStringLiteral("/dl?v=slow"), "page");
        FServer.SetFault(QStringLiteral("/watch?v=slow"), QByteArray(5000, 'w'), EFault::KStall);
        FServer.SetGenerated(QStringLiteral("/media?video_id=slow&t=T"), 2000);
        TMultiDownloader md;
        ConfigureResolvers(md);
        QVERIFY(md.Append(Url(QStringLiteral("/dl?v=slow")), NewFile(), true,
                          ERedirectTheme::KYouTube, QString()));
        TDownloadItem* item = Item(md, 0);
        md.Resume();
        QTRY_COMPARE(FServer.RequestCount(QStringLiteral("/watch?v=slow")), 1);
        QVERIFY(item->FLVGet()->Busy());
        TStateLog log(md);
        item->Abort();
        QCOMPARE(log.Of(0), (QList<S>{S::KAbort, S::KReady}));
        QCOMPARE(item->URL(), Url(QStringLiteral("/dl?v=slow")));
        QCOMPARE(item->RedirectOptions(), item->OrgRedirectOptions());
        QVERIFY(item->RedirectOptions().YesINeedRedirect);
        FServer.ReleaseStalls();
        QTRY_COMPARE(TTransferThread::LiveCount(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(log.Events.size(), 2);

        FServer.SetPage(QStringLiteral("/watch?v=slow"), "swfHTML&t=T&embed>\";");
        md.Resume();
        QTRY_COMPARE(item->DownloadState(), S::KFinished);
        QCOMPARE(FServer.RequestCount(QStringLiteral("/dl?v=slow")), 2);
    }

    void appendRefusals() {
        TMultiDownloader md;
        const QString strFile = FSandbox.Root() + QStringLiteral("refusal/Song.mp3.mtd");
        QVERIFY(md.Append(Url(QStringLiteral("/stall?a=1")), strFile, false,
                          ERedirectTheme::KDirect, QString()));
        QVERIFY(!md.Append(Url(QStringLiteral("/other")), strFile.toUpper(), false,
                           ERedirectTheme::KDirect, QString()));
        md.Resume();
        // An unfinished task that began with the address refuses it again.
        QVERIFY(!md.Append(Url(QStringLiteral("/stall?a=1")), NewFile(), false,
                           ERedirectTheme::KDirect, QString()));
        QCOMPARE(md.DownloadList()->ItemCount(), 1);
        md.StopAll();
        QCOMPARE(Item(md, 0)->DownloadState(), S::KReady);
    }

    // Sizes beyond 32 bits are reported exactly.
    void largeContentLength() {
        const qint64 iSize = qint64(3) << 30;
        TLoopbackHttpServer::TRoute route;
        route.GeneratedSize = iSize;
        route.Fault = EFault::KStall;
        route.CutAfter = 65536;
        FServer.SetRoute(QStringLiteral("/huge"), route);
        TMultiDownloader md;
        QSignalSpy progress(&md, &TMultiDownloader::OnProgress);
        QVERIFY(md.Append(Url(QStringLiteral("/huge")), NewFile(), false, ERedirectTheme::KDirect,
                          QString()));
        md.Resume();
        QTRY_VERIFY(!progress.isEmpty() && progress.constLast()[3].toLongLong() == 65536);
        QCOMPARE(progress.constLast()[2].toLongLong(), iSize);
        QCOMPARE(Item(md, 0)->ProgressPercent(), 0);
        md.StopAll();
    }

    void progressPercentReachesExactly100_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("1 byte") << qint64(1);
        QTest::newRow("one chunk") << qint64(16384);
        QTest::newRow("chunk and a byte") << qint64(16385);
        QTest::newRow("odd size") << qint64(99999);
    }
    void progressPercentReachesExactly100() {
        QFETCH(qint64, size);
        const QString strPath = QStringLiteral("/sized?%1").arg(size);
        FServer.SetGenerated(strPath, size);
        TMultiDownloader md;
        QList<int> percents;
        connect(&md, &TMultiDownloader::OnProgress, this, [&](TDownloadList* list, int iIndex) {
            percents.append(list->Items(iIndex)->ProgressPercent());
        });
        QVERIFY(md.Append(Url(strPath), NewFile(), false, ERedirectTheme::KDirect, QString()));
        md.Resume();
        QTRY_COMPARE(Item(md, 0)->DownloadState(), S::KFinished);
        QVERIFY(std::is_sorted(percents.begin(), percents.end()));
        QCOMPARE(percents.last(), 100);
    }

    void listOperations() {
        TMultiDownloader md;
        TDownloadList* list = md.DownloadList();
        for (int i = 0; i < 4; ++i) {
            QVERIFY(md.Append(Url(QStringLiteral("/ops?%1").arg(i)), NewFile(), false,
                              ERedirectTheme::KDirect, QString()));
        }
        QList<TDownloadItem*> items;
        for (int i = 0; i < 4; ++i) {
            items.append(list->Items(i));
        }
        items[1]->RestoreState(S::KFinished);
        items[3]->RestoreState(S::KFinished);
        list->MoveDown(0);
        list->MoveUp(1);
        list->MoveDown(3);
        list->Exchange(0, 3);
        list->Exchange(0, 3);
        QCOMPARE(list->IndexOf(items[2]), 2);
        QCOMPARE(list->GetIndexByURL(Url(QStringLiteral("/ops?1")), false), -1);
        QCOMPARE(list->GetIndexByURL(Url(QStringLiteral("/ops?1")), true), 1);
        QVERIFY(list->IsSaveFileNameExists(items[3]->FileName().toUpper()));
        list->ClearCompleted();
        QCOMPARE(list->ItemCount(), 2);
        QCOMPARE(list->Items(0), items[0]);
        QCOMPARE(list->Items(1), items[2]);
        list->RemoveByIndex(5);
        list->ClearInCompleted();
        QCOMPARE(list->ItemCount(), 0);
        QVERIFY(list->Items(0) == nullptr);
    }

    // The download pipeline removes a task from inside the task's own events.
    void removingATaskFromItsOwnEvent() {
        TMultiDownloader md;
        connect(&md, &TMultiDownloader::OnFinishedEvent, this,
                [&](TDownloadList* list, int iIndex) {
                    list->RemoveByIndex(iIndex);
                    md.Resume();
                });
        QVERIFY(md.Append(Url(QStringLiteral("/small?remove=1")), NewFile(), false,
                          ERedirectTheme::KDirect, QString()));
        QVERIFY(md.Append(Url(QStringLiteral("/small?remove=2")), NewFile(), false,
                          ERedirectTheme::KDirect, QString()));
        md.SetMaxTasks(1);
        md.Resume();
        QTRY_COMPARE(md.DownloadList()->ItemCount(), 0);
    }

    void destroyingTheEngineWhileTasksRun() {
        auto* md = new TMultiDownloader;
        QVERIFY(md->Append(Url(QStringLiteral("/stall?destroy=1")), NewFile(), false,
                           ERedirectTheme::KDirect, QString()));
        md->Resume();
        QTRY_COMPARE(md->DownloadList()->Items(0)->DownloadState(), S::KDownloading);
        delete md;
        FServer.ReleaseStalls();
        QTRY_COMPARE(TTransferThread::LiveCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMultiDownloader)
#include "tst_MultiDownloader.moc"
