#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "TestSupport.h"
#include "framework/KrIniFile.h"
#include "framework/KrUtils.h"

namespace {

struct TResult {
    int ExitCode = -1;
    QString Out;
    QString Err;
};

}  // namespace

// The command-line program against the sample catalogue service, both as real processes.
class TestCliEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void searchPrintsTheResultTable();
    void getDownloadsConvertsAndTags();
    void usageErrors_data();
    void usageErrors();
    void refusesWhileTheDesktopProgramHoldsTheQueue();

private:
    TResult Cli(const QStringList& args, int iTimeoutMs = 120000);

    TTestSandbox FSandbox;
    QProcess FService;
    QString FCli;
};

void TestCliEndToEnd::initTestCase() {
    FService.start(QStringLiteral(HALVEX_PROGRAM_DIR "/halvex-sample-service"), {"--port", "0"});
    QVERIFY(FService.waitForStarted());
    QRegularExpressionMatch match;
    QTRY_VERIFY_WITH_TIMEOUT((match = QRegularExpression("listening on http://127.0.0.1:(\\d+)/")
                                          .match(QString::fromUtf8(FService.peek(4096))))
                                 .hasMatch(),
                             20000);
    const QString port = match.captured(1);

    // A program folder of our own: the program itself, and const.dat aimed at this service.
    FCli = FSandbox.ProgramFolder() + "halvex-cli";
    QVERIFY(QFile::copy(QStringLiteral(HALVEX_PROGRAM_DIR "/halvex-cli"), FCli));
    QFile::setPermissions(FCli, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QString constDat =
        QString::fromUtf8(ReadAll(QStringLiteral(HALVEX_SOURCE_DIR "/data/const.dat")));
    QVERIFY(constDat.contains("127.0.0.1:47815"));
    constDat.replace("127.0.0.1:47815", "127.0.0.1:" + port);
    FSandbox.WriteFile("program/const.dat", constDat);
}

void TestCliEndToEnd::cleanupTestCase() {
    FService.kill();
    FService.waitForFinished();
}

TResult TestCliEndToEnd::Cli(const QStringList& args, int iTimeoutMs) {
    QProcess process;
    process.start(FCli, args);
    TResult result;
    if (!process.waitForFinished(iTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.Out = QString::fromUtf8(process.readAllStandardOutput());
    result.Err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void TestCliEndToEnd::searchPrintsTheResultTable() {
    const TResult result = Cli({"search", "night"});
    QCOMPARE(result.ExitCode, 0);
    QVERIFY2(result.Out.contains("Electric Night"), qPrintable(result.Out));
    QVERIFY(result.Out.contains("00:38"));
    QVERIFY(result.Out.startsWith("No."));
    const TResult none = Cli({"search", "zzzznothing"});
    QCOMPARE(none.ExitCode, 1);
    QCOMPARE(none.Err.count(u'\n'), 1);  // one line saying why
}

void TestCliEndToEnd::getDownloadsConvertsAndTags() {
    const QString music = FSandbox.Root() + "music";
    const TResult result =
        Cli({"get", "--search", "electric night", "--pick", "1", "--bitrate", "128", "--to", music,
             "--artist", "Northbound", "--album", "Midnight Sessions"});
    QVERIFY2(result.ExitCode == 0, qPrintable(result.Out + result.Err));
    const QRegularExpressionMatch saved =
        QRegularExpression("Saved: (.+\\.mp3)\\n?$").match(result.Out);
    QVERIFY2(saved.hasMatch(), qPrintable(result.Out));
    const QString mp3 = saved.captured(1);
    QCOMPARE(mp3, music + "/Northbound-Electric Night.mp3");
    QVERIFY(QFile::exists(mp3));

    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries",
                            "stream=codec_name,sample_rate,channels", "-of", "csv=p=0", mp3});
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()).trimmed(),
             QStringLiteral("mp3,44100,2"));
    QProcess tags;
    tags.start("/usr/bin/python3", {"-c",
                                    "import sys, mutagen.id3 as m\nt = m.ID3(sys.argv[1])\n"
                                    "print(t['TIT2'], t['TPE1'], t['TALB'], sep='|')",
                                    mp3});
    QVERIFY(tags.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(tags.readAllStandardOutput()).trimmed(),
             QStringLiteral("Electric Night|Northbound|Midnight Sessions"));

    // The saved queue holds the finished task, and the list shows it.
    TKrIniFile queue;
    QVERIFY(queue.LoadFromFile(FSandbox.UserDataHome() + "Halvex/downloadlist.sav"));
    bool bFinished = false;
    for (const QString& section : queue.Sections()) {
        bFinished |= queue.ReadString(section, "State") == "5" &&
                     queue.ReadString(section, "Comment").contains("Northbound-Electric Night.mp3");
    }
    QVERIFY2(bFinished, qPrintable(queue.ToString()));
    const TResult list = Cli({"list"});
    QCOMPARE(list.ExitCode, 0);
    QVERIFY(list.Out.contains("Finished"));
    QVERIFY(list.Out.contains(mp3));

    // The same song again goes to a new file, numbered in front.
    const TResult again = Cli({"get", "--search", "electric night", "--pick", "1", "--to", music,
                               "--artist", "Northbound"});
    QVERIFY2(again.ExitCode == 0, qPrintable(again.Out + again.Err));
    QVERIFY(again.Out.contains(music + "/(1)Northbound-Electric Night.mp3"));
}

void TestCliEndToEnd::usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("no command") << QStringList{} << 2;
    QTest::newRow("unknown command") << QStringList{"fly"} << 2;
    QTest::newRow("get without a song") << QStringList{"get"} << 2;
    QTest::newRow("get with a bad bit rate")
        << QStringList{"get", "--id", "x", "--bitrate", "100"} << 2;
    QTest::newRow("pick beyond the page")
        << QStringList{"get", "--search", "night", "--pick", "99"} << 1;
    QTest::newRow("unknown option") << QStringList{"search", "--bogus", "x"} << 2;
}

void TestCliEndToEnd::usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    const TResult result = Cli(args);
    QCOMPARE(result.ExitCode, exitCode);
    QVERIFY(!result.Err.isEmpty());
    for (const char* command : {"search", "get", "list", "resume"}) {
        const TResult help = Cli({QString::fromLatin1(command), "--help"});
        QCOMPARE(help.ExitCode, 0);
        QVERIFY(help.Out.contains("--help"));
    }
}

void TestCliEndToEnd::refusesWhileTheDesktopProgramHoldsTheQueue() {
    TKrIniFile constDat;
    constDat.LoadFromFile(FSandbox.ProgramFolder() + "const.dat");
    QVERIFY(KrUtils::CreateInstanceLock("Global\\" + constDat.ReadString("setting", "App.GUID")));
    const TResult result = Cli({"resume"});
    QCOMPARE(result.ExitCode, 1);
    QVERIFY(result.Err.contains("close it first"));
    QCOMPARE(Cli({"list"}).ExitCode, 0);  // reading the queue is fine
}

QTEST_GUILESS_MAIN(TestCliEndToEnd)
#include "tst_CliEndToEnd.moc"
