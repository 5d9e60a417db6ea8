#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "TestFramework.h"
#include "framework/KrSettings.h"
#include "framework/KrUtils.h"

namespace {

const QString kConst = QStringLiteral(
    "[setting]\nApp.ConfigPath=HalvexTest\nApp.Name=Halvex\nApp.Ver=1.2.3.4\nApp.SubVer=7\n"
    "App.MagicWord=magic\nApp.RegPath=Halvex\n"
    "URL.help=%ExePath%\\help\\index.html\nURL.home=http://example.test/home\n"
    "URL.Update=http://example.test/update?\nURL.Redirect=http://example.test/go\n");

// Records what the engine asks of the GUI's skin loader.
class TRecordingSkinApplier : public IKrSkinApplier {
public:
    QStringList Calls;
    TNameValueList Texts{QStringList{QStringLiteral("Ok=Mine")}};
    void RememberInitialSkin() override { Calls.append(QStringLiteral("remember")); }
    void LoadSkinFile(const QString& strFileName, bool bSkinFrame) override {
        Calls.append(
            QStringLiteral("load %1 %2").arg(QFileInfo(strFileName).fileName()).arg(bSkinFrame));
    }
    void RestoreInitialSkin() override { Calls.append(QStringLiteral("restore")); }
    TNameValueList* SkinTexts() override { return &Texts; }
};

TNameValueList QueryOf(const QString& strURL) {
    TNameValueList params;
    KrUtils::ParseLinkParams(strURL, params, true);
    return params;
}

}  // namespace

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void getURL_data();
    void getURL();
    void urlParameters_data();
    void urlParameters();
    void skinDiscoveryAndSwitching();
    void skinFallsBackWhenFileIsGone();
    void languageDiscoveryAndSwitching();
    void loadEndsStartUp();
    void showMessageEx();
    void messageTextAndPlaceholders();
};

void TestEngine::getURL_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("addParams");
    QTest::addColumn<QString>("prefix");  // the address before any added query
    QTest::addColumn<bool>("hasQuery");
    QTest::newRow("local file: program folder, no query")
        << "help" << true << "<program>/help/index.html" << false;
    QTest::newRow("web page gets ?ACTION=")
        << "home" << true << "http://example.test/home?ACTION=home&" << true;
    QTest::newRow("address ending in ? gets no second")
        << "Update" << true << "http://example.test/update?ACTION=Update&" << true;
    QTest::newRow("page without address uses redirect")
        << "eula" << true << "http://example.test/go?ACTION=eula&" << true;
    QTest::newRow("without parameters") << "home" << false << "http://example.test/home" << false;
}

void TestEngine::getURL() {
    QFETCH(QString, page);
    QFETCH(bool, addParams);
    QFETCH(QString, prefix);
    QFETCH(bool, hasQuery);
    TTestFramework framework(kConst);
    prefix.replace("<program>", framework.Sandbox.ProgramFolder().chopped(1));
    const QString url = framework.Engine.GetURL(page, addParams);
    QVERIFY2(url.startsWith(prefix), qPrintable(url));
    QCOMPARE(url.contains("&PID="), hasQuery);
    if (!hasQuery) {
        QCOMPARE(url, prefix);
    }
}

void TestEngine::urlParameters_data() {
    QTest::addColumn<QString>("constExtra");
    QTest::addColumn<QString>("registry");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("VER from four parts") << ""
                                         << ""
                                         << "VER"
                                         << "01020304";
    QTest::newRow("VER from three parts") << "[setting]\nApp.Ver=1.2.3\n"
                                          << ""
                                          << "VER"
                                          << "00000000";
    QTest::newRow("PID falls back to magic word") << ""
                                                  << ""
                                                  << "PID"
                                                  << "magic";
    QTest::newRow("PID when set") << "[setting]\nApp.PID=p 1\n"
                                  << ""
                                  << "PID"
                                  << "p 1";
    QTest::newRow("SVER") << ""
                          << ""
                          << "SVER"
                          << "7";
    QTest::newRow("RUNTIME counts earlier starts") << ""
                                                   << ""
                                                   << "RUNTIME"
                                                   << "1";
    QTest::newRow("DAY of a new install") << ""
                                          << ""
                                          << "DAY"
                                          << "0";
    QTest::newRow("CHL missing is unknow") << ""
                                           << ""
                                           << "CHL" << KrUtils::CharsToHex("unknow");
    QTest::newRow("CHL file part without quotes")
        << ""
        << "[Software\\Halvex]\nCHL=\"C:\\dist\\partner7.exe\"\n"
        << "CHL" << KrUtils::CharsToHex("partner7.exe");
}

void TestEngine::urlParameters() {
    QFETCH(QString, constExtra);
    QFETCH(QString, registry);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    // oem.const.dat overrides const.dat, which lets a row change one fixed value. Reopening the
    // store counts a second start.
    TTestFramework framework(kConst);
    framework.Sandbox.WriteFile("program/oem.const.dat", constExtra);
    framework.Sandbox.WriteFile("registry.ini", registry);
    CreateGlobalSettings(framework.Sandbox.ProgramFolder());
    const QString query = framework.Engine.GetURLParam();
    QVERIFY2(QRegularExpression("^\\d{5}&PID=").match(query).hasMatch(), qPrintable(query));
    const TNameValueList params = QueryOf(u"?x=" + query);
    QCOMPARE(params.Value(name), expected);
    QCOMPARE(params.Value("LANG"), QString());
    QVERIFY(QRegularExpression("^\\d+_\\d+_$").match(params.Value("WVER")).hasMatch());
    QCOMPARE(params.Value("WLANG"), QString::number(TKrEngine::SystemLanguageId()));
}

void TestEngine::skinDiscoveryAndSwitching() {
    TTestFramework framework(kConst);
    framework.Sandbox.WriteFile("program/skins/Blue.skn", "blue");
    framework.Sandbox.WriteFile("program/skins/Green.nsf.skn", "green");
    framework.Sandbox.WriteFile("program/skins/default.skn", "default");
    TRecordingSkinApplier applier;
    framework.Engine.SetSkinApplier(&applier);
    QCOMPARE(framework.Engine.SkinList(), QStringList({"Default", "Blue", "Green"}));

    QSignalSpy changed(&framework.Engine, &TKrEngine::OnSkinChanged);
    framework.Engine.SetSkin("Green");
    QCOMPARE(applier.Calls.last(), QStringLiteral("load Green.nsf.skn 0"));
    QCOMPARE(GlobalSettings()->GetSettingString("Skin"), QStringLiteral("Green"));
    QCOMPARE(changed.size(), 1);
    framework.Engine.SetSkin("Green");  // the same name changes nothing
    QCOMPARE(changed.size(), 1);
    framework.Engine.SetSkin("Blue");
    QCOMPARE(applier.Calls.last(), QStringLiteral("load Blue.skn 1"));
    framework.Engine.SetSkin(QString());  // "Default" picks the file of that name
    QCOMPARE(applier.Calls.last(), QStringLiteral("load default.skn 1"));
}

void TestEngine::skinFallsBackWhenFileIsGone() {
    TTestFramework framework(kConst);
    GlobalSettings()->SetSettingstring("Skin", "Removed");
    TRecordingSkinApplier applier;
    framework.Engine.SetSkinApplier(&applier);
    QCOMPARE(framework.Engine.SkinList(), QStringList{"Default"});  // the menu stays hidden
    framework.Engine.Load();
    QCOMPARE(applier.Calls, QStringList{"remember"});  // nothing loaded: the initial look
    QCOMPARE(framework.Engine.Skin(), QStringLiteral("Default"));
    QCOMPARE(GlobalSettings()->GetSettingString("Skin"), QStringLiteral("Default"));

    framework.Sandbox.WriteFile("program/skins/Blue.skn", "blue");
    framework.Engine.SetSkin("Blue");
    framework.Engine.SetSkin("Gone");
    QCOMPARE(applier.Calls.last(), QStringLiteral("restore"));
}

void TestEngine::languageDiscoveryAndSwitching() {
    TTestFramework framework(kConst);
    framework.Sandbox.WriteFile(
        "program/lang/German.lan",
        "[Info]\nTranslator=Jo\n[AppRes]\nStatus.Ready=Bereit\n[SkinRes]\nOk=Gut\nNo=Nein\n");
    framework.Sandbox.WriteFile("program/lang/english.lan", "[AppRes]\nStatus.Ready=Shadowed\n");
    framework.Sandbox.WriteFile("program/lang/Français.lan", "[AppRes]\nStatus.Ready=Prêt\n");
    TRecordingSkinApplier applier;
    framework.Engine.SetSkinApplier(&applier);
    QCOMPARE(framework.Engine.LanguageList(), QStringList({"English", "Français", "German"}));

    QSignalSpy titles(&framework.Engine, &TKrEngine::OnTitleChange);
    framework.Engine.SetLanguage("German");
    QCOMPARE(framework.Engine.GetAppString("Status.Ready"), QStringLiteral("Bereit"));
    QCOMPARE(framework.Engine.LanguageTranslator(), QStringLiteral("Jo"));
    QCOMPARE(GlobalSettings()->GetSettingString("Language"), QStringLiteral("German"));
    QCOMPARE(applier.Texts.Value("Ok"), QStringLiteral("Mine"));  // the skin's own text stays
    QCOMPARE(applier.Texts.Value("No"), QStringLiteral("Nein"));
    QCOMPARE(titles.size(), 1);
    QCOMPARE(titles.last().first().toString(), QStringLiteral("Halvex  1.2.3.4"));

    framework.Engine.SetLanguage("Klingon");  // no file: back to the built-in table
    QCOMPARE(framework.Engine.GetAppString("Status.Ready"), QStringLiteral("Ready"));
    QCOMPARE(framework.Engine.Language(), QStringLiteral("English"));
    QCOMPARE(framework.Engine.LanguageTranslator(), QString());
    QCOMPARE(GlobalSettings()->GetSettingString("Language"), QStringLiteral("English"));
}

void TestEngine::loadEndsStartUp() {
    TTestFramework framework(kConst + "Update.BeginAuto=1\n");
    framework.Sandbox.WriteFile("program/lang/German.lan", "[AppRes]\nAppName=Halvex DE\n");
    GlobalSettings()->SetSettingstring("Language", "German");
    QSignalSpy ready(&framework.Engine, &TKrEngine::OnEngineReady);
    QSignalSpy autoUpdate(&framework.Engine, &TKrEngine::OnBeginAutoUpdate);
    QVERIFY(framework.Engine.Busy());
    framework.Engine.Load();
    QCOMPARE(framework.Engine.Language(), QStringLiteral("German"));
    QVERIFY(framework.Engine.Busy());  // until the queued end of start-up runs
    QVERIFY(ready.wait(5000));
    QVERIFY(!framework.Engine.Busy());
    QCOMPARE(autoUpdate.size(), 1);
    QCOMPARE(framework.Engine.AppTitle(), QStringLiteral("Halvex DE  1.2.3.4"));
    framework.Engine.SetTitleIncludeVer(false);
    QCOMPARE(framework.Engine.AppTitle(), QStringLiteral("Halvex DE"));
}

void TestEngine::showMessageEx() {
    TTestFramework framework(kConst);
    TKrEngine& engine = framework.Engine;
    TScriptedMessageDialog& dialog = framework.Dialog;
    const int okCancel = KrDlg::KOk | KrDlg::KCancel;

    dialog.Answers = {KrDlg::KResultCancel};
    dialog.TickShowAgain = {true};
    QCOMPARE(engine.ShowMessageEx("MsgBox.DirNotExists", {}, 19, KrDlg::KWarning, okCancel),
             int(KrDlg::KResultCancel));
    QCOMPARE(dialog.Shown.size(), 1);
    QVERIFY(dialog.Shown[0].ShowAgainBox);
    QCOMPARE(dialog.Shown[0].Caption, QStringLiteral("Halvex"));

    // Not shown again: the remembered answer, or the caller's default when it gives one.
    QCOMPARE(engine.ShowMessageEx("MsgBox.DirNotExists", {}, 19, KrDlg::KWarning, okCancel),
             int(KrDlg::KResultCancel));
    QCOMPARE(engine.ShowMessageEx("MsgBox.DirNotExists", {}, 19, KrDlg::KWarning, okCancel,
                                  KrDlg::KResultOk),
             int(KrDlg::KResultOk));
    QCOMPARE(dialog.Shown.size(), 1);

    GlobalSettings()->ClearShowAgainFlag();
    dialog.Answers = {KrDlg::KResultOk};
    QCOMPARE(engine.ShowMessageEx("MsgBox.DirNotExists", {}, 19, KrDlg::KWarning, okCancel),
             int(KrDlg::KResultOk));
    QCOMPARE(dialog.Shown.size(), 2);

    // Without a number there is no box to tick and nothing is remembered.
    dialog.TickShowAgain = {true};
    engine.ShowMessageEx("MsgBox.TaskExists", {}, 0, KrDlg::KInformation, KrDlg::KOk);
    QVERIFY(!dialog.Shown.last().ShowAgainBox);
    engine.ShowMessageEx("MsgBox.TaskExists", {}, 0, KrDlg::KInformation, KrDlg::KOk);
    QCOMPARE(dialog.Shown.size(), 4);
}

void TestEngine::messageTextAndPlaceholders() {
    TTestFramework framework(kConst);
    TScriptedMessageDialog& dialog = framework.Dialog;
    framework.Engine.ShowMessageEx("No.Such.Text", {}, 0, KrDlg::KError, KrDlg::KOk);
    QCOMPARE(dialog.Shown.last().Text, QStringLiteral("[AppRes]No.Such.Text"));
    framework.Engine.ShowMessageEx("No.Such.Text", {}, 0, KrDlg::KError, KrDlg::KOk, 0, true);
    QCOMPARE(dialog.Shown.last().Text, QStringLiteral("[LibRes]No.Such.Text"));
    framework.Engine.ShowMessageEx("lblTimer.Caption", {"5"}, 0, KrDlg::KInformation, KrDlg::KOk, 0,
                                   true);
    QCOMPARE(dialog.Shown.last().Text, QStringLiteral("This window will close in 5 sec(s)..."));
    QCOMPARE(framework.Engine.GetLibStringEx("TfrmKrAboutForm.CopyRightLine3", {"German", "Jo"}),
             QStringLiteral("German is tranlated by Jo"));
    QCOMPARE(framework.Engine.GetLibString("Update.NetError").count("\r\n"), 5);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_Engine.moc"
