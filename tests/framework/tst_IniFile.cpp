#include <QTest>

#include <sys/resource.h>

#include <csignal>

#include "TestSupport.h"
#include "framework/KrIniFile.h"

namespace {
// Literal bytes, embedded NULs included.
template <std::size_t N>
QByteArray Bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}
}  // namespace

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void parsing_data();
    void parsing();
    void encodingsSurviveRewrite_data();
    void encodingsSurviveRewrite();
    void damagedFilesKeepReadableEntries_data();
    void damagedFilesKeepReadableEntries();
    void writeDeleteErase();
    void failedSaveLeavesFileIntact();
};

void TestIniFile::parsing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");  // "<absent>" when not found

    const QString absent = QStringLiteral("<absent>");
    QTest::newRow("trimmed") << QStringLiteral("[S]\n  A  =  one two  \n") << "S"
                             << "A"
                             << "one two";
    QTest::newRow("first of equal names wins") << QStringLiteral("[S]\nA=1\na=2\n") << "S"
                                               << "A"
                                               << "1";
    QTest::newRow("case-insensitive section and name")
        << QStringLiteral("[Setting]\nApp.Name=x\n") << "SETTING"
        << "app.name"
        << "x";
    QTest::newRow("comment ignored") << QStringLiteral("[S]\n;A=1\nA=2\n") << "S"
                                     << "A"
                                     << "2";
    QTest::newRow("entries before a section ignored") << QStringLiteral("A=1\n[S]\n") << "S"
                                                      << "A" << absent;
    QTest::newRow("split at the first equals sign")
        << QStringLiteral("[S]\nURL=http://x/?a=b&c=d\n") << "S"
        << "URL"
        << "http://x/?a=b&c=d";
    QTest::newRow("empty value exists") << QStringLiteral("[S]\nA=\n") << "S"
                                        << "A"
                                        << "";
    QTest::newRow("CR line ends") << QStringLiteral("[S]\rA=1\rB=2\r") << "S"
                                  << "B"
                                  << "2";
    QTest::newRow("CR LF line ends") << QStringLiteral("[S]\r\nA=1\r\nB=2\r\n") << "S"
                                     << "B"
                                     << "2";
    QTest::newRow("repeated section merges") << QStringLiteral("[S]\nA=1\n[T]\n[S]\nB=2\n") << "S"
                                             << "B"
                                             << "2";
    QTest::newRow("line without equals ignored") << QStringLiteral("[S]\nnoise\nA=1\n") << "S"
                                                 << "A"
                                                 << "1";
}

void TestIniFile::parsing() {
    QFETCH(QString, text);
    QFETCH(QString, section);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    TKrIniFile ini;
    ini.LoadFromString(text);
    QCOMPARE(ini.ReadString(section, name, QStringLiteral("<absent>")), expected);
}

void TestIniFile::encodingsSurviveRewrite_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("bom");
    const QString text = QStringLiteral("[S]\r\nTitle=Grüße 東京\r\n");
    QTest::newRow("utf-8 without mark") << text.toUtf8() << QByteArray();
    QTest::newRow("utf-8 with mark")
        << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << QByteArray("\xEF\xBB\xBF");
    QByteArray le("\xFF\xFE");
    QByteArray be("\xFE\xFF");
    for (const QChar c : text) {
        le += char(c.unicode() & 0xFF);
        le += char(c.unicode() >> 8);
        be += char(c.unicode() >> 8);
        be += char(c.unicode() & 0xFF);
    }
    QTest::newRow("utf-16 little endian") << le << QByteArray("\xFF\xFE");
    QTest::newRow("utf-16 big endian") << be << QByteArray("\xFE\xFF");
}

void TestIniFile::encodingsSurviveRewrite() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, bom);
    TTestSandbox sandbox;
    const QString path = sandbox.WriteBytes(QStringLiteral("a.ini"), bytes);
    TKrIniFile ini;
    QVERIFY(ini.LoadFromFile(path));
    QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("Title")),
             QStringLiteral("Grüße 東京"));
    ini.WriteString(QStringLiteral("S"), QStringLiteral("New"), QStringLiteral("ß"));
    QVERIFY(ini.SaveToFile(path));

    const QByteArray saved = ReadAll(path);
    QVERIFY(bom.isEmpty() ? !saved.startsWith("\xEF\xBB\xBF") : saved.startsWith(bom));
    TKrIniFile reread;
    QVERIFY(reread.LoadFromFile(path));
    QCOMPARE(reread.ReadString(QStringLiteral("S"), QStringLiteral("Title")),
             QStringLiteral("Grüße 東京"));
    QCOMPARE(reread.ReadString(QStringLiteral("S"), QStringLiteral("New")), QStringLiteral("ß"));
}

void TestIniFile::damagedFilesKeepReadableEntries_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("truncated mid-line") << QByteArray("[S]\nA=1\nB=tw") << "B"
                                        << "tw";
    QTest::newRow("truncated mid-section name") << QByteArray("[S]\nA=1\n[Oth") << "A"
                                                << "1";
    QTest::newRow("legacy 8-bit line beside utf-8") << QByteArray(
                                                           "[S]\nA=Gr\xFC\xDF"
                                                           "e\nB=Gr\xC3\xBC\xC3\x9F"
                                                           "e\n")
                                                    << "A"
                                                    << "Grüße";
    QTest::newRow("utf-8 after a legacy line") << QByteArray(
                                                      "[S]\nA=Gr\xFC\xDF"
                                                      "e\nB=Gr\xC3\xBC\xC3\x9F"
                                                      "e\n")
                                               << "B"
                                               << "Grüße";
    QTest::newRow("binary noise around an entry")
        << Bytes("\x00\x01\xFF\x80garbage\n[S]\nA=ok\n\x00\x9F\x00\n") << "A"
        << "ok";
    QTest::newRow("odd utf-16 byte count") << Bytes("\xFF\xFE[\0S\0]\0\n\0A\0=\0x\0\n") << "A"
                                           << "x";
}

void TestIniFile::damagedFilesKeepReadableEntries() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    TTestSandbox sandbox;
    TKrIniFile ini;
    QVERIFY(ini.LoadFromFile(sandbox.WriteBytes(QStringLiteral("bad.ini"), bytes)));
    QCOMPARE(ini.ReadString(QStringLiteral("S"), name), expected);
}

void TestIniFile::writeDeleteErase() {
    TKrIniFile ini;
    ini.LoadFromString(QStringLiteral("[S]\nA=1\na=2\nB=3\n[T]\nC=4\n"));
    ini.WriteString(QStringLiteral("s"), QStringLiteral("A"), QStringLiteral("new"));
    QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("a")), QStringLiteral("new"));
    QCOMPARE(ini.SectionNames(QStringLiteral("S")),
             QStringList({QStringLiteral("A"), QStringLiteral("B")}));

    ini.DeleteKey(QStringLiteral("S"), QStringLiteral("A"));  // every entry of that name goes
    QVERIFY(!ini.ValueExists(QStringLiteral("S"), QStringLiteral("A")));
    QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("B")), QStringLiteral("3"));

    ini.EraseSection(QStringLiteral("S"));
    QVERIFY(!ini.SectionExists(QStringLiteral("S")));
    QCOMPARE(ini.ReadString(QStringLiteral("T"), QStringLiteral("C")), QStringLiteral("4"));
    ini.WriteString(QStringLiteral("U"), QStringLiteral("D"), QStringLiteral("5"));
    QCOMPARE(ini.Sections(), QStringList({QStringLiteral("T"), QStringLiteral("U")}));
}

void TestIniFile::failedSaveLeavesFileIntact() {
    // A file-size limit makes every write past it fail, as a full disk would (and works as root).
    TTestSandbox sandbox;
    const QString path =
        sandbox.WriteFile(QStringLiteral("keep.ini"), QStringLiteral("[S]\r\nA=old\r\n"));
    const QByteArray before = ReadAll(path);

    TKrIniFile ini;
    ini.LoadFromFile(path);
    ini.WriteString(QStringLiteral("S"), QStringLiteral("A"), QString(64 * 1024, u'x'));

    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool bSaved = ini.SaveToFile(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!bSaved);
    QCOMPARE(ReadAll(path), before);
    QCOMPARE(QDir(sandbox.Root()).entryList(QDir::Files), QStringList{QStringLiteral("keep.ini")});
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_IniFile.moc"
