#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTest>
#include <QThread>

#include <unistd.h>

#include <memory>

#include "TestSupport.h"
#include "framework/KrUtils.h"

using namespace KrUtils;

class TestUtils : public QObject {
    Q_OBJECT
private slots:
    void strToInt_data();
    void strToInt();
    void text();
    void splitString_data();
    void splitString();
    void linkParams_data();
    void linkParams();
    void formEncoding_data();
    void formEncoding();
    void versionToInt_data();
    void versionToInt();
    void addURLQuery_data();
    void addURLQuery();
    void paths_data();
    void paths();
    void fitRect_data();
    void fitRect();
    void programFolderIsExecutableFolder();
    void uniqueFileNamesAcrossThreads();
    void folderRoutines();
    void instanceLockIsExclusive();
    void openURLStartsTheDesktopOpener();
};

void TestUtils::strToInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << "42" << 42;
    QTest::newRow("negative") << "-7" << -7;
    QTest::newRow("dollar hex") << "$10" << 16;
    QTest::newRow("0x hex") << "0x1F" << 31;
    QTest::newRow("upper 0X hex") << "0XfF" << 255;
    QTest::newRow("surrounding spaces") << " 5 " << 5;
    QTest::newRow("word true") << "true" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("trailing garbage") << "12abc" << -1;
    QTest::newRow("bare prefix") << "$" << -1;
    QTest::newRow("double sign") << "--1" << -1;
    QTest::newRow("overflow") << "99999999999" << -1;
    QTest::newRow("int minimum") << "-2147483648" << int(-2147483648LL);
}

void TestUtils::strToInt() {
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(StrToIntDefault(text, -1), expected);
}

void TestUtils::text() {
    QVERIFY(HasPrefix(QStringLiteral("HTTP://x"), QStringLiteral("http")));
    QVERIFY(HasPrefix(QStringLiteral("abc"), QString()));
    QVERIFY(!HasPrefix(QStringLiteral("ab"), QStringLiteral("abc")));

    QCOMPARE(FillPlaceholders(QStringLiteral("{1} of {2} {3} {x}"),
                              {QStringLiteral("a"), QStringLiteral("b")}),
             QStringLiteral("a of b {3} {x}"));
    QCOMPARE(FillPlaceholders(QStringLiteral("{1}{1}"), {QStringLiteral("z")}),
             QStringLiteral("zz"));

    QCOMPARE(CharsToHex(QStringLiteral("unknow")), QStringLiteral("756E6B6E6F77"));
    QCOMPARE(CharsToHex(QStringLiteral("\u0141")), QStringLiteral("41"));  // low byte only

    QCOMPARE(CleanFileName(QStringLiteral("  AC/DC: Who?\r\nMade \"Who\" <live>|*'\\  ")),
             QStringLiteral("ACDC WhoMade Who live"));
}

void TestUtils::splitString_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("empty pieces kept") << "a,,b," << QStringList{"a", "", "b", ""};
    QTest::newRow("no delimiter") << "abc" << QStringList{"abc"};
    QTest::newRow("empty text") << "" << QStringList{};
    QTest::newRow("only delimiter") << "," << QStringList{"", ""};
}

void TestUtils::splitString() {
    QFETCH(QString, text);
    QFETCH(QStringList, pieces);
    QStringList list{QStringLiteral("kept")};
    SplitString(text, u',', list);
    QCOMPARE(list, QStringList{QStringLiteral("kept")} + pieces);
}

void TestUtils::linkParams_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("decode");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("raw pieces after ? and :")
        << "qwz:x?cmd:ACTION=Play&TITLE=a+b" << false << QStringList{"ACTION=Play", "TITLE=a+b"};
    QTest::newRow("decoded values") << "qwz:?ACTION=Play&TITLE=Gr%C3%BC%C3%9Fe+aus&ID=%%x" << true
                                    << QStringList{"ACTION=Play", "TITLE=Grüße aus", "ID=%x"};
    QTest::newRow("later value replaces, empty removes")
        << "?A=1&B=2&A=3&B=" << true << QStringList{"A=3"};
    QTest::newRow("malformed escape skipped") << "?A=%zz&B=ok" << true << QStringList{"B=ok"};
    QTest::newRow("no question mark keeps colon text") << "A=1:2" << true << QStringList{"A=1:2"};
}

void TestUtils::linkParams() {
    QFETCH(QString, link);
    QFETCH(bool, decode);
    QFETCH(QStringList, lines);
    TNameValueList list;
    ParseLinkParams(link, list, decode);
    QCOMPARE(list.Lines(), lines);
}

void TestUtils::formEncoding_data() {
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("safe characters stay") << "aZ09$!'()*-.@_"
                                          << "aZ09$!'()*-.@_";
    QTest::newRow("space is plus") << "a b"
                                   << "a+b";
    QTest::newRow("reserved bytes escaped") << "a&b=c/d+e%"
                                            << "a%26b%3Dc%2Fd%2Be%25";
    QTest::newRow("utf-8 bytes upper hex") << "ü東"
                                           << "%C3%BC%E6%9D%B1";
}

void TestUtils::formEncoding() {
    QFETCH(QString, plain);
    QFETCH(QString, encoded);
    QCOMPARE(FormEncode(plain), encoded);
    QString decoded;
    QVERIFY(FormDecode(encoded, decoded));
    QCOMPARE(decoded, plain);
}

void TestUtils::versionToInt_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("four parts") << "1.2.3.4" << quint32(0x01020304);
    QTest::newRow("text after a space ignored") << "1.2.3.4 beta" << quint32(0x01020304);
    QTest::newRow("part above 255 keeps low byte") << "300.0.0.1" << quint32(0x2C000001);
    QTest::newRow("three parts") << "1.2.3" << quint32(0);
    QTest::newRow("five parts") << "1.2.3.4.5" << quint32(0);
}

void TestUtils::versionToInt() {
    QFETCH(QString, version);
    QFETCH(quint32, expected);
    QCOMPARE(VersionToInt(version), expected);
}

void TestUtils::addURLQuery_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("result");
    QTest::newRow("empty address") << ""
                                   << "q=1";
    QTest::newRow("no query yet") << "http://h/p"
                                  << "http://h/p?q=1";
    QTest::newRow("ends with ?") << "http://h/p?"
                                 << "http://h/p?q=1";
    QTest::newRow("ends with &") << "http://h/p?a=b&"
                                 << "http://h/p?a=b&q=1";
    QTest::newRow("has a query") << "http://h/p?a=b"
                                 << "http://h/p?a=b&q=1";
}

void TestUtils::addURLQuery() {
    QFETCH(QString, url);
    QFETCH(QString, result);
    QCOMPARE(AddURLQuery(url, QStringLiteral("q=1")), result);
}

void TestUtils::paths_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("joined");
    QTest::newRow("relative") << "/opt/halvex/"
                              << "res\\result_en.html"
                              << "/opt/halvex/res/result_en.html";
    QTest::newRow("base without slash") << "/opt/halvex"
                                        << "lang"
                                        << "/opt/halvex/lang";
    QTest::newRow("absolute path stays") << "/opt/halvex/"
                                         << "/music/a.mp3"
                                         << "/music/a.mp3";
    QTest::newRow("empty base") << ""
                                << "a/b"
                                << "a/b";
}

void TestUtils::paths() {
    QFETCH(QString, base);
    QFETCH(QString, path);
    QFETCH(QString, joined);
    QCOMPARE(JoinPath(base, path), joined);
}

void TestUtils::fitRect_data() {
    QTest::addColumn<QRect>("content");
    QTest::addColumn<QRect>("target");
    QTest::addColumn<QRect>("fitted");
    QTest::newRow("wide content in square")
        << QRect(0, 0, 200, 100) << QRect(0, 0, 100, 100) << QRect(0, 25, 100, 50);
    QTest::newRow("tall content in square")
        << QRect(0, 0, 100, 200) << QRect(10, 10, 100, 100) << QRect(35, 10, 50, 100);
    QTest::newRow("odd halves round toward zero")
        << QRect(0, 0, 3, 1) << QRect(0, 0, 10, 10) << QRect(0, 3, 10, 3);
    QTest::newRow("empty target") << QRect(0, 0, 4, 3) << QRect(5, 5, 0, 10) << QRect(5, 5, 0, 10);
    QTest::newRow("empty content") << QRect(0, 0, 0, 3) << QRect(5, 5, 10, 10) << QRect(5, 5, 0, 3);
}

void TestUtils::fitRect() {
    QFETCH(QRect, content);
    QFETCH(QRect, target);
    QFETCH(QRect, fitted);
    QCOMPARE(FitRect(content, target), fitted);
}

void TestUtils::programFolderIsExecutableFolder() {
    QCOMPARE(ProgramFolder(),
             QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath() + u'/');
    QCOMPARE(ProgramFolderNoSlash() + u'/', ProgramFolder());
    QCOMPARE(FileNameWithoutExt(QStringLiteral("/a/b.c/Song.name.mp3")),
             QStringLiteral("Song.name"));
}

void TestUtils::uniqueFileNamesAcrossThreads() {
    TTestSandbox sandbox;
    sandbox.WriteFile(QStringLiteral("taken.tmp"), QString());
    constexpr int kThreads = 4;
    constexpr int kNames = 500;
    QList<QStringList> names(kThreads);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(QThread::create([&, t] {
            for (int i = 0; i < kNames; ++i) {
                names[t].append(
                    UniqueFileName(sandbox.Root(), QStringLiteral("sg"), QStringLiteral("tmp")));
            }
        }));
        threads.back()->start();
    }
    QSet<QString> all;
    for (int t = 0; t < kThreads; ++t) {
        threads[t]->wait();
        for (const QString& name : std::as_const(names[t])) {
            QVERIFY(name.startsWith(sandbox.Root() + u"sg"));
            QVERIFY(name.endsWith(u".tmp"));
            all.insert(name);
        }
    }
    QCOMPARE(all.size(), kThreads * kNames);
}

void TestUtils::folderRoutines() {
    TTestSandbox sandbox;
    sandbox.WriteFile(QStringLiteral("f/b.skn"), QString());
    sandbox.WriteFile(QStringLiteral("f/A.nsf.skn"), QString());
    sandbox.WriteFile(QStringLiteral("f/c.txt"), QString());
    sandbox.WriteFile(QStringLiteral("f/sub/deep.skn"), QString());
    QStringList found;
    ListFiles(sandbox.Root() + QStringLiteral("f/*.skn"), found, false);
    QCOMPARE(found, QStringList({QStringLiteral("A.nsf.skn"), QStringLiteral("b.skn")}));

    QDateTime created;
    QVERIFY(GetFileCreationTime(sandbox.Root() + QStringLiteral("f"), created));
    QVERIFY(qAbs(created.secsTo(QDateTime::currentDateTime())) < 60);
    QVERIFY(!GetFileCreationTime(sandbox.Root() + QStringLiteral("missing"), created));
    QVERIFY(HasAccess(W_OK, sandbox.Root()));
    QVERIFY(!HasAccess(W_OK, sandbox.Root() + QStringLiteral("missing")));

    QVERIFY(DeleteFolderContents(sandbox.Root() + QStringLiteral("f"), false));
    QCOMPARE(QDir(sandbox.Root() + QStringLiteral("f"))
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("sub")});
    QVERIFY(DeleteFolderContents(sandbox.Root() + QStringLiteral("f"), true));
    QVERIFY(QDir(sandbox.Root() + QStringLiteral("f")).isEmpty());
}

void TestUtils::instanceLockIsExclusive() {
    TTestSandbox sandbox;
    QVERIFY(CreateInstanceLock(QStringLiteral("Global\\{test-guid}")));
    // A second holder, as a second instance would be, is refused while the first lives.
    QVERIFY(!CreateInstanceLock(QStringLiteral("Global\\{test-guid}")));
    QVERIFY(CreateInstanceLock(QStringLiteral("Global\\{other-guid}")));
    QVERIFY(QFileInfo::exists(sandbox.Root() + QStringLiteral("runtime/Global_{test-guid}.lock")));
}

void TestUtils::openURLStartsTheDesktopOpener() {
    TTestSandbox sandbox;
    const QString opened = sandbox.Root() + "opened.txt";
    const QString opener =
        sandbox.WriteFile("bin/xdg-open", u"#!/bin/sh\nprintf '%s' \"$1\" > '" + opened + u"'\n");
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (sandbox.Root() + "bin").toUtf8());
    const bool bStarted = OpenURL("http://example.test/?a=1&b=2");
    qputenv("PATH", (sandbox.Root() + "nothing-here").toUtf8());
    const bool bStartedWithoutOpener = OpenURL("http://example.test/");
    qputenv("PATH", path);
    QVERIFY(bStarted);
    QTRY_COMPARE_WITH_TIMEOUT(ReadAll(opened), QByteArray("http://example.test/?a=1&b=2"), 10000);
    QVERIFY(!bStartedWithoutOpener);
}

QTEST_GUILESS_MAIN(TestUtils)
#include "tst_Utils.moc"
