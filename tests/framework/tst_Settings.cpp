#include <QDir>
#include <QFile>
#include <QTest>

#include <sys/resource.h>

#include <csignal>
#include <memory>

#include "TestSupport.h"
#include "framework/KrEngine.h"
#include "framework/KrIniFile.h"
#include "framework/KrLog.h"
#include "framework/KrSettings.h"

namespace {

const QString kWord = QStringLiteral("HalvexTest");

QString ConstWith(const QString& strEntries) {
    return QStringLiteral("[setting]\nApp.ConfigPath=") + kWord + u'\n' + strEntries;
}

QString ReadUserValue(const QString& strFile, const QString& strSection, const QString& strName) {
    TKrIniFile ini;
    ini.LoadFromFile(strFile);
    return ini.ReadString(strSection, strName, QStringLiteral("<absent>"));
}

// Captures what the debug log writes while it lives.
class TLogCapture {
public:
    TLogCapture() {
        s_Lines.clear();
        TKrLog::SetActive(true);
        FPrevious = qInstallMessageHandler(&TLogCapture::Handle);
    }
    ~TLogCapture() {
        qInstallMessageHandler(FPrevious);
        TKrLog::SetActive(false);
    }
    static QStringList Lines() { return s_Lines; }

private:
    static void Handle(QtMsgType, const QMessageLogContext& context, const QString& msg) {
        s_Lines.append(QString::fromLatin1(context.category) + u": " + msg);
    }
    static inline QStringList s_Lines;
    QtMessageHandler FPrevious;
};

// Makes every file write past 4 KiB fail, as a full disk would; works for root too.
class TFileSizeLimit {
public:
    TFileSizeLimit() {
        getrlimit(RLIMIT_FSIZE, &FSaved);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = FSaved;
        small.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FSaved);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    struct rlimit FSaved {};
    void (*FOldHandler)(int) = nullptr;
};

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void lookupLayers_data();
    void lookupLayers();
    void typedGetters_data();
    void typedGetters();
    void writesGoToUserFileOnly();
    void runTimesCountsCreations();
    void folderChoice_data();
    void folderChoice();
    void derivedFolderWord();
    void showAgainMemory();
    void failedRewriteKeepsFileAndMemory();
    void unwritableFolderStillServes();
    void missingKeyIsLogged();
};

void TestSettings::lookupLayers_data() {
    QTest::addColumn<QString>("constValue");
    QTest::addColumn<QString>("oemValue");
    QTest::addColumn<QString>("userValue");
    QTest::addColumn<QString>("overwrite");
    QTest::addColumn<QString>("expected");
    QTest::newRow("const only") << "c"
                                << ""
                                << ""
                                << ""
                                << "c";
    QTest::newRow("oem over const") << "c"
                                    << "o"
                                    << ""
                                    << ""
                                    << "o";
    QTest::newRow("user over oem") << "c"
                                   << "o"
                                   << "u"
                                   << ""
                                   << "u";
    QTest::newRow("engine override over all") << "c"
                                              << "o"
                                              << "u"
                                              << "e"
                                              << "e";
    QTest::newRow("found nowhere") << ""
                                   << ""
                                   << ""
                                   << ""
                                   << "";
}

void TestSettings::lookupLayers() {
    QFETCH(QString, constValue);
    QFETCH(QString, oemValue);
    QFETCH(QString, userValue);
    QFETCH(QString, overwrite);
    QFETCH(QString, expected);
    TTestSandbox sandbox;
    const auto entry = [](const QString& v) {
        return v.isEmpty() ? QString() : u"Key.Name=" + v + u'\n';
    };
    sandbox.WriteFile("program/const.dat", ConstWith(entry(constValue)));
    sandbox.WriteFile("program/oem.const.dat", u"[setting]\n" + entry(oemValue));
    sandbox.WriteFile(u"common/" + kWord + u"/setting.dat", u"[setting]\n" + entry(userValue));
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    TKrEngine engine;
    if (!overwrite.isEmpty()) {
        engine.SetSettingOverwrite(TNameValueList({u"key.name=" + overwrite}));
    }
    QCOMPARE(settings.GetSettingString("KEY.name"), expected);
}

void TestSettings::typedGetters_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("integer");
    QTest::addColumn<bool>("boolean");
    QTest::addColumn<double>("real");
    QTest::newRow("true reads false") << "true" << 0 << false << 0.0;
    QTest::newRow("two is true") << "2" << 2 << true << 2.0;
    QTest::newRow("dollar hex") << "$10" << 16 << true << 0.0;
    QTest::newRow("0x hex") << "0x10" << 16 << true << 0.0;
    QTest::newRow("empty") << "" << 0 << false << 0.0;
    QTest::newRow("fraction") << "46000.25" << 0 << false << 46000.25;
}

void TestSettings::typedGetters() {
    QFETCH(QString, text);
    QFETCH(int, integer);
    QFETCH(bool, boolean);
    QFETCH(double, real);
    TTestSandbox sandbox;
    sandbox.WriteFile("program/const.dat", ConstWith(u"V=" + text + u'\n'));
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    QCOMPARE(settings.GetSettingInteger("v"), integer);
    QCOMPARE(settings.GetSettingBool("v"), boolean);
    QCOMPARE(settings.GetSettingFloat("v"), real);
}

void TestSettings::writesGoToUserFileOnly() {
    TTestSandbox sandbox;
    const QString constFile = sandbox.WriteFile("program/const.dat", ConstWith("App.Name=Fixed\n"));
    const QByteArray constBefore = ReadAll(constFile);
    {
        TKrSettings settings(QString(), sandbox.ProgramFolder());
        settings.SetSettingstring("App.Name", "Mine");
        settings.SetSettingInteger("Settings.MaxTasks", 3);
        settings.SetSettingBool("AutoRename", true);
        settings.SetSettingFloat("Update.LastDate", 46000.5);
        QCOMPARE(settings.GetSettingString("app.name"), QStringLiteral("Mine"));
        const QString userFile = settings.UserDataPath() + "setting.dat";
        QCOMPARE(ReadUserValue(userFile, "setting", "App.Name"), QStringLiteral("Mine"));
        QCOMPARE(ReadUserValue(userFile, "setting", "AutoRename"), QStringLiteral("1"));
    }
    QCOMPARE(ReadAll(constFile), constBefore);
    TKrSettings reread(QString(), sandbox.ProgramFolder());
    QCOMPARE(reread.GetSettingInteger("Settings.MaxTasks"), 3);
    QCOMPARE(reread.GetSettingFloat("Update.LastDate"), 46000.5);
}

void TestSettings::runTimesCountsCreations() {
    TTestSandbox sandbox;
    sandbox.WriteFile("program/const.dat", ConstWith(QString()));
    for (int i = 0; i < 3; ++i) {
        TKrSettings settings(QString(), sandbox.ProgramFolder());
        QCOMPARE(settings.RunTimes(), i);
    }
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    QCOMPARE(settings.RunTimes(), 3);
    QCOMPARE(settings.GetRunDays(), 0);
}

void TestSettings::folderChoice_data() {
    QTest::addColumn<QString>("constEntries");
    QTest::addColumn<QString>("userFlag");    // content of UserFlag.ini, "" for none
    QTest::addColumn<bool>("commonBlocked");  // a file stands where the common folder goes
    QTest::addColumn<bool>("expectAllUser");
    QTest::addColumn<QString>("expectFlag");  // AllUsers in UserFlag.ini afterwards
    QTest::newRow("writable common, no flag") << ""
                                              << "" << false << true << "1";
    QTest::newRow("blocked common, no flag") << ""
                                             << "" << true << false << "0";
    QTest::newRow("flag on, common blocked: flag cleared") << ""
                                                           << "[Flag]\nAllUsers=1\n"
                                                           << true << false << "0";
    QTest::newRow("flag off is kept") << ""
                                      << "[Flag]\nAllUsers=0\n"
                                      << false << false << "0";
    QTest::newRow("NoAllUser wins over the flag") << "Setting.NoAllUser=1\n"
                                                  << "[Flag]\nAllUsers=1\n"
                                                  << false << false << "1";
}

void TestSettings::folderChoice() {
    QFETCH(QString, constEntries);
    QFETCH(QString, userFlag);
    QFETCH(bool, commonBlocked);
    QFETCH(bool, expectAllUser);
    QFETCH(QString, expectFlag);
    TTestSandbox sandbox;
    sandbox.WriteFile("program/const.dat", ConstWith(constEntries));
    if (!userFlag.isEmpty()) {
        sandbox.WriteFile(u"user/" + kWord + u"/UserFlag.ini", userFlag);
    }
    if (commonBlocked) {
        sandbox.WriteFile("common", "not a folder");
    }
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    QCOMPARE(settings.AllUser(), expectAllUser);
    const QString expectedFolder =
        (expectAllUser ? sandbox.CommonDataHome() : sandbox.UserDataHome()) + kWord + u'/';
    QCOMPARE(settings.UserDataPath(), expectedFolder);
    QVERIFY(QFile::exists(expectedFolder + "setting.dat"));
    QCOMPARE(ReadUserValue(sandbox.UserDataHome() + kWord + "/UserFlag.ini", "Flag", "AllUsers"),
             expectFlag);
}

void TestSettings::derivedFolderWord() {
    TTestSandbox sandbox;
    sandbox.WriteFile("program/const.dat", "[setting]\n");
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    QString word = QCoreApplication::applicationFilePath();
    word.replace(u'/', u'_');
    QCOMPARE(settings.ConfigPathWord(), word);
    QVERIFY(settings.UserDataPath().endsWith(u'/' + word + u'/'));
}

void TestSettings::showAgainMemory() {
    TTestSandbox sandbox;
    sandbox.WriteFile("program/const.dat", ConstWith(QString()));
    {
        TKrSettings settings(QString(), sandbox.ProgramFolder());
        QVERIFY(settings.GetMessageShowAgainFlag(19));
        QCOMPARE(settings.GetMessageShowAgainResult(19), 1);
        settings.SetMessageShowAgainFlag(19, false);
        settings.SetMessageShowAgainResult(19, 7);
    }
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    QVERIFY(!settings.GetMessageShowAgainFlag(19));
    QCOMPARE(settings.GetMessageShowAgainResult(19), 7);
    QVERIFY(settings.GetMessageShowAgainFlag(24));
    settings.ClearShowAgainFlag();
    QVERIFY(settings.GetMessageShowAgainFlag(19));
    QCOMPARE(settings.GetMessageShowAgainResult(19), 1);
    QCOMPARE(ReadUserValue(settings.UserDataPath() + "setting.dat", "ShowAgain", "19"),
             QStringLiteral("<absent>"));
}

void TestSettings::failedRewriteKeepsFileAndMemory() {
    TTestSandbox sandbox;
    sandbox.WriteFile("program/const.dat", ConstWith(QString()));
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    settings.SetSettingstring("MusicSaveTo", "/music");
    const QString userFile = settings.UserDataPath() + "setting.dat";
    const QByteArray before = ReadAll(userFile);
    {
        TFileSizeLimit fullDisk;
        settings.SetSettingstring("Big", QString(64 * 1024, u'x'));
        QVERIFY(!settings.UpdateSettingINI());
    }
    QCOMPARE(ReadAll(userFile), before);  // the old file, whole
    QCOMPARE(settings.GetSettingString("Big").size(), 64 * 1024);
    QCOMPARE(QDir(settings.UserDataPath()).entryList({"setting.dat*"}, QDir::Files),
             QStringList{"setting.dat"});  // no temporary left behind
    QVERIFY(settings.UpdateSettingINI());  // space again: everything reaches the disk
    QCOMPARE(ReadUserValue(userFile, "setting", "MusicSaveTo"), QStringLiteral("/music"));
}

void TestSettings::unwritableFolderStillServes() {
    TTestSandbox sandbox;
    sandbox.WriteFile("program/const.dat", ConstWith(QString()));
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    // The folder vanishes and a file takes its place: nothing can be written there any more.
    QVERIFY(QDir(settings.UserDataPath()).removeRecursively());
    sandbox.WriteBytes(settings.UserDataPath().chopped(1).mid(sandbox.Root().size()), "blocked");
    TLogCapture log;
    settings.SetSettingstring("Language", "German");
    QCOMPARE(settings.GetSettingString("Language"), QStringLiteral("German"));
    QVERIFY(!log.Lines().filter("KrSettings: Cannot write").isEmpty());
}

void TestSettings::missingKeyIsLogged() {
    TTestSandbox sandbox;
    sandbox.WriteFile("program/const.dat", ConstWith(QString()));
    TKrSettings settings(QString(), sandbox.ProgramFolder());
    TLogCapture log;
    QCOMPARE(settings.GetSettingString("Path.Skins"), QString());
    QVERIFY(log.Lines().contains("KrSettings: Setting Not Found :Path.Skins"));
    {
        TKrEngine engine;  // its default list answers last
        QCOMPARE(settings.GetSettingString("path.skins"), QStringLiteral("skins"));
        QCOMPARE(settings.GetSettingString("Path.Languages"), QStringLiteral("lang"));
    }
    TKrLog::SetActive(false);
    const qsizetype before = log.Lines().size();
    settings.GetSettingString("Nothing.Here");
    QCOMPARE(log.Lines().size(), before);  // a switched-off log stays silent
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_Settings.moc"
