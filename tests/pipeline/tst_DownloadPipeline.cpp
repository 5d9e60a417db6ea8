#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include "MediaTools.h"
#include "TestFramework.h"
#include "framework/KrSettings.h"
#include "net/DownloadList.h"
#include "net/MultiDownloader.h"
#include "pipeline/DownloadOptions.h"
#include "pipeline/DownloadPipeline.h"
#include "pipeline/DownloadView.h"
#include "pipeline/PipelineKeys.h"
#include "search/CurrentInfo.h"

namespace {

const QString kConst = QStringLiteral(
    "[setting]\nApp.ConfigPath=HalvexTest\nSearchKeyURL=http://127.0.0.1:9/search?q=\n"
    "DownloadURL=http://127.0.0.1:9/watch?v=\n");

// Records what the pipeline shows.
class TRecordingView : public IDownloadView {
public:
    explicit TRecordingView(TMultiDownloader* downloader) : FDownloader(downloader) {}
    QHash<int, QString> Status;
    QHash<int, int> Icon;
    QHash<int, QString> Length;
    QString StatusLine;
    int Refreshed = 0;
    int Shown = 0;

    int RowCount() const override { return FDownloader->DownloadList()->ItemCount(); }
    void SetRowStatus(int iRow, const QString& s) override { Status[iRow] = s; }
    void SetRowIcon(int iRow, int i) override { Icon[iRow] = i; }
    void SetRowLength(int iRow, const QString& s) override { Length[iRow] = s; }
    void RefreshList() override { ++Refreshed; }
    void SetStatusInfo(const QString& s) override { StatusLine = s; }
    void CheckAct() override {}
    void ShowDownloadList() override { ++Shown; }

private:
    TMultiDownloader* FDownloader;
};

// The framework, an engine, the pipeline and a view, in a sandbox.
struct TPipelineFixture {
    TTestFramework Framework{kConst};
    TCurrentInfo CurrentInfo;
    TMultiDownloader Downloader;
    TRecordingView View{&Downloader};
    TDownloadPipeline Pipeline{&Downloader, &CurrentInfo, &View};

    TPipelineFixture() {
        CurrentInfo.GetMDInfo();
        Downloader.SetMaxTasks(0);  // nothing starts unless a test wants it
    }
    QString Music() const { return Framework.Sandbox.Root() + QStringLiteral("music/"); }
    TUrlInfo Song(const QString& strId, const QString& strTitle) const {
        TUrlInfo info;
        info.Action = UA_DOWNLOAD;
        info.Id = strId;
        info.Title = strTitle;
        info.Long = 245;
        info.Page = 2;
        info.PId = 7;
        info.Popularity = QStringLiteral("55");
        return info;
    }
    TDownloadOptions Options(const TUrlInfo& info, const QString& strArtist = QString()) const {
        TDownloadOptions options;
        options.Load();
        options.SetInfo(info);
        options.SetArtist(strArtist);
        options.SetFolder(Music());
        options.SetBitratePosition(3);
        return options;
    }
    TNameValueList Comment(int iIndex) const {
        return TNameValueList(Downloader.DownloadList()->Items(iIndex)->Comment());
    }
};

}  // namespace

class TestDownloadPipeline : public QObject {
    Q_OBJECT
private slots:
    void queuedSongCarriesItsDataInOrder();
    void uniqueTargetsAndTemporaryFiles();
    void refusedTaskShowsTaskExists();
    void progressAndStatePresentation_data();
    void progressAndStatePresentation();
    void statusLineCountsRunningTasks();
    void restoreAsksWithTheStoredAnswer_data();
    void restoreAsksWithTheStoredAnswer();
    void queueIsSavedOnEveryChange();
    void finishedDownloadBecomesATaggedMp3();
};

void TestDownloadPipeline::queuedSongCarriesItsDataInOrder() {
    TPipelineFixture f;
    const TUrlInfo song = f.Song("abc", "Let%27s+Rock+%26amp%3B+Roll");
    QVERIFY(f.Pipeline.QueueSong(song, f.Options(song)));
    const QString temp = GlobalSettings()->UserDataPath() + "Downloading/";
    const QStringList expected{"Action=2",
                               "Id=abc",
                               "Title=Let's Rock & Roll",
                               "Long=245",
                               "SavePath=" + f.Music() + "Lets Rock & Roll.mp3",
                               "Page=2",
                               "ConvertType=mp3",
                               "Popularity=55",
                               "PId=7",
                               "TempPath=" + temp + "Lets Rock & Roll.mp3.mtd",
                               "Bitrate=320"};
    QCOMPARE(f.Comment(0).Lines(), expected);  // no Artist or Album line: they are empty
    QCOMPARE(f.Downloader.DownloadList()->Items(0)->URL(),
             QStringLiteral("http://127.0.0.1:9/watch?v=abc"));
    QCOMPARE(f.Downloader.DownloadList()->Items(0)->FileName(), temp + "Lets Rock & Roll.mp3.mtd");
    QCOMPARE(GlobalSettings()->GetSettingString("TemporaryDir"), temp.chopped(1));
    QVERIFY(QDir(temp).exists());
}

void TestDownloadPipeline::uniqueTargetsAndTemporaryFiles() {
    TPipelineFixture f;
    f.Framework.Sandbox.WriteFile("music/Song.mp3", "x");
    f.Framework.Sandbox.WriteFile("music/(1)Song.mp3", "x");
    QCOMPARE(f.Pipeline.FixFileName(f.Music() + "Song.mp3"), f.Music() + "(2)Song.mp3");

    const TUrlInfo first = f.Song("one", "Tune");
    const TUrlInfo second = f.Song("two", "Tune");
    QVERIFY(f.Pipeline.QueueSong(first, f.Options(first)));
    QVERIFY(f.Pipeline.QueueSong(second, f.Options(second)));
    QCOMPARE(f.Comment(0).Value("SavePath"), f.Music() + "Tune.mp3");
    QCOMPARE(f.Comment(1).Value("SavePath"), f.Music() + "(1)Tune.mp3");  // queued, not on disk
    QVERIFY(f.Comment(1).Value("TempPath").endsWith("/(1)Tune.mp3.mtd"));
    QVERIFY(f.Pipeline.IsSavePathQueued(f.Music() + "Tune.mp3"));
    QVERIFY(!f.Pipeline.IsSavePathQueued(f.Music() + "tune.mp3"));
}

void TestDownloadPipeline::refusedTaskShowsTaskExists() {
    TPipelineFixture f;
    const TUrlInfo song = f.Song("same", "Tune");
    QVERIFY(f.Pipeline.QueueSong(song, f.Options(song)));
    // A task that never started does not block the same song...
    QVERIFY(f.Pipeline.QueueSong(song, f.Options(song)));
    QCOMPARE(f.Comment(1).Value("SavePath"), f.Music() + "(1)Tune.mp3");
    QVERIFY(f.Framework.Dialog.Shown.isEmpty());
    // ...but once one has begun with that address and is unfinished, the engine refuses it.
    f.Downloader.SetMaxTasks(1);
    f.Downloader.Resume();
    QVERIFY(!f.Pipeline.QueueSong(song, f.Options(song)));
    QCOMPARE(f.Downloader.DownloadList()->ItemCount(), 2);
    QCOMPARE(f.Framework.Dialog.Shown.size(), 1);
    QCOMPARE(f.Framework.Dialog.Shown[0].Text,
             QStringLiteral("This task is already in the Download List."));
}

void TestDownloadPipeline::progressAndStatePresentation_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");  // -1: left as it was (9)
    QTest::newRow("ready") << int(EDownloadState::KReady) << "Ready" << 1;
    QTest::newRow("connecting") << int(EDownloadState::KBeforeConnecting) << "Connecting" << 0;
    QTest::newRow("downloading") << int(EDownloadState::KDownloading) << "Downloading" << 0;
    QTest::newRow("finished") << int(EDownloadState::KFinished) << "Finished" << 2;
    QTest::newRow("failed") << int(EDownloadState::KFailed) << "Failed" << 1;
    QTest::newRow("abort keeps the icon") << int(EDownloadState::KAbort) << "" << 9;
}

void TestDownloadPipeline::progressAndStatePresentation() {
    QFETCH(int, state);
    QFETCH(QString, text);
    QFETCH(int, icon);
    TPipelineFixture f;
    const TUrlInfo song = f.Song("abc", "Tune");
    QVERIFY(f.Pipeline.QueueSong(song, f.Options(song)));
    TDownloadList* list = f.Downloader.DownloadList();
    f.View.Icon[0] = 9;

    emit f.Downloader.OnProgress(list, 0, 80000000, 50000000);
    QCOMPARE(f.View.Status.value(0), QStringLiteral("62%"));
    emit f.Downloader.OnProgress(list, 0, 0, 10);
    QCOMPARE(f.View.Status.value(0), QStringLiteral("62%"));
    emit f.Downloader.OnProgress(list, 0, qint64(6) << 40, qint64(3) << 40);  // beyond 32 bits
    QCOMPARE(f.View.Status.value(0), QStringLiteral("50%"));

    emit f.Downloader.OnStateChanged(list, 0, EDownloadState(state));
    QCOMPARE(f.View.Status.value(0), text);
    QCOMPARE(f.View.Icon.value(0), icon);
    QCOMPARE(f.View.Length.value(0), QStringLiteral("04:05"));
    emit f.Downloader.OnStateChanged(list, 5, EDownloadState(state));  // no such row
    QVERIFY(!f.View.Status.contains(5));
}

void TestDownloadPipeline::statusLineCountsRunningTasks() {
    QCOMPARE(TDownloadPipeline::LengthText(6000), QStringLiteral("100:00"));
    TPipelineFixture f;
    for (const char* id : {"a", "b", "c"}) {
        const TUrlInfo song = f.Song(QString::fromLatin1(id), QString::fromLatin1(id));
        QVERIFY(f.Pipeline.QueueSong(song, f.Options(song)));
    }
    f.Pipeline.UpdateTaskStatus();
    QCOMPARE(f.View.StatusLine, QStringLiteral("No task."));
    TDownloadList* list = f.Downloader.DownloadList();
    list->Items(0)->RestoreState(EDownloadState::KDownloading);
    list->Items(2)->RestoreState(EDownloadState::KFailed);
    f.Pipeline.UpdateTaskStatus();
    QCOMPARE(f.View.StatusLine, QStringLiteral("1 task is running."));
    list->Items(1)->RestoreState(EDownloadState::KBeforeConnecting);
    f.Pipeline.UpdateTaskStatus();
    QCOMPARE(f.View.StatusLine, QStringLiteral("2 tasks are running."));
}

void TestDownloadPipeline::restoreAsksWithTheStoredAnswer_data() {
    QTest::addColumn<int>("storedAnswer");  // show-again answer 24
    QTest::addColumn<bool>("flagOn");       // the question may be shown
    QTest::addColumn<int>("dialogAnswer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("tasksLeft");
    QTest::newRow("asked, OK keeps them") << 1 << true << int(KrDlg::KResultOk) << true << 3;
    QTest::newRow("asked, Cancel removes them")
        << 1 << true << int(KrDlg::KResultCancel) << true << 1;
    QTest::newRow("stored 2 removes without asking") << 2 << true << 0 << false << 1;
    QTest::newRow("suppressed with stored OK keeps them") << 1 << false << 0 << false << 3;
}

void TestDownloadPipeline::restoreAsksWithTheStoredAnswer() {
    QFETCH(int, storedAnswer);
    QFETCH(bool, flagOn);
    QFETCH(int, dialogAnswer);
    QFETCH(bool, asked);
    QFETCH(int, tasksLeft);
    TPipelineFixture f;
    {
        // A queue as an earlier run left it: two unfinished tasks and a finished one.
        TCurrentInfo info;
        info.GetMDInfo();
        TMultiDownloader downloader;
        downloader.SetMaxTasks(0);
        TRecordingView view(&downloader);
        TDownloadPipeline earlier(&downloader, &info, &view);
        for (const char* id : {"a", "b", "c"}) {
            const TUrlInfo song = f.Song(QString::fromLatin1(id), QString::fromLatin1(id));
            QVERIFY(earlier.QueueSong(song, f.Options(song)));
        }
        downloader.DownloadList()->Items(1)->RestoreState(EDownloadState::KFinished);
        QVERIFY(earlier.SaveDownloadList());
    }
    GlobalSettings()->SetMessageShowAgainResult(24, storedAnswer);
    GlobalSettings()->SetMessageShowAgainFlag(24, flagOn);
    GlobalSettings()->SetSettingBool("Settings.ShowListWhenAddTask", true);
    f.Framework.Dialog.Answers = {dialogAnswer};

    f.Pipeline.RestoreDownloadList();
    QCOMPARE(f.Framework.Dialog.Shown.size(), asked ? 1 : 0);
    QCOMPARE(f.Downloader.DownloadList()->ItemCount(), tasksLeft);
    QCOMPARE(f.View.Shown, 1);
    QCOMPARE(f.View.Refreshed, 1);
    QCOMPARE(f.CurrentInfo.DownloadListFileName,
             GlobalSettings()->UserDataPath() + "downloadlist.sav");
}

void TestDownloadPipeline::queueIsSavedOnEveryChange() {
    TPipelineFixture f;
    const QString file = GlobalSettings()->UserDataPath() + "downloadlist.sav";
    const auto saved = [&file] { return QString::fromUtf8(ReadAll(file)); };
    const auto order = [&saved] {
        const QString text = saved();
        return text.indexOf("Second.mp3") < text.indexOf("First.mp3") ? "second first"
                                                                      : "first second";
    };
    for (const char* title : {"First", "Second"}) {
        const TUrlInfo song = f.Song(QString::fromLatin1(title), QString::fromLatin1(title));
        QVERIFY(f.Pipeline.QueueSong(song, f.Options(song)));
    }
    QTRY_VERIFY(saved().contains("Second.mp3"));  // added, with the song's data
    TDownloadList* list = f.Downloader.DownloadList();
    list->Items(0)->RestoreState(EDownloadState::KFinished);
    emit f.Downloader.OnStateChanged(list, 0, EDownloadState::KFinished);
    QTRY_VERIFY(saved().contains("State=5"));  // finished
    list->MoveDown(0);
    QTRY_COMPARE(order(), "second first");  // moved
    list->RemoveByIndex(0);
    QTRY_VERIFY(!saved().contains("Second.mp3"));  // removed
    list->ClearAll();
    QTRY_VERIFY(!saved().contains("First.mp3"));  // cleared
}

void TestDownloadPipeline::finishedDownloadBecomesATaggedMp3() {
    TPipelineFixture f;
    const QString media = f.Framework.Sandbox.Root() + "download.m4a";
    QVERIFY(MediaTools::MakeTone(media, 3, {"-c:a", "aac"}));
    QVERIFY(QDir().mkpath(f.Music()));  // the options make sure of the folder

    const TUrlInfo song = f.Song("abc", "Grüße aus Köln");
    TDownloadOptions options = f.Options(song, "Die Ärzte");
    options.SetAlbum("Ein Album");
    QVERIFY(f.Pipeline.QueueSong(song, options));
    const QString target = f.Comment(0).Value("SavePath");

    QSignalSpy finished(&f.Pipeline, &TDownloadPipeline::OnSongFinished);
    emit f.Downloader.OnFinishedEvent(f.Downloader.DownloadList(), 0, media, QString(),
                                      QFileInfo(media).size());
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().at(0).toString(), target);
    QVERIFY(finished.first().at(1).toBool());

    QString tags;
    QVERIFY(MediaTools::RunPython(
        "import sys, mutagen.id3 as m\n"
        "t = m.ID3(sys.argv[1])\n"
        "print(t.version[1], t['TIT2'], t['TPE1'], t['TALB'], sep='|')\n"
        "f = open(sys.argv[1], 'rb'); f.seek(-128, 2); v1 = f.read(128)\n"
        "print(v1[:3].decode(), v1[3:33].rstrip(b'\\0').decode('latin-1'), sep='|')",
        {target}, &tags));
    QCOMPARE(tags.trimmed(),
             QStringLiteral("3|Grüße aus Köln|Die Ärzte|Ein Album\nTAG|Grüße aus Köln"));
}

QTEST_GUILESS_MAIN(TestDownloadPipeline)
#include "tst_DownloadPipeline.moc"
