#include <QtTest>

#include "SearchFixture.h"
#include "search/ResultParser.h"

class TestResultParser : public QObject {
    Q_OBJECT
private slots:
    void answerBecomesResultList();
    void noEntryMatchGivesNoSongs();
    void brokenPatternKeepsWhatWasParsed_data();
    void brokenPatternKeepsWhatWasParsed();
    void popularityScore_data();
    void popularityScore();
    void unknownPopularityIsFourPointDigit();
    void htmlUnescape_data();
    void htmlUnescape();
};

void TestResultParser::answerBecomesResultList() {
    TSearchFixture fixture;
    TNameValueList list(QStringList{QStringLiteral("SearchKey=x")});
    TResultParser parser;
    QVERIFY(parser.ParseAnswer(TSearchFixture::TestData(QStringLiteral("answer.html")), list));
    // Entries without a view count get a random score from 4.0 to 4.8.
    QStringList lines = list.Lines();
    for (QString& line : lines) {
        line.replace(QRegularExpression(QStringLiteral("^(POPULARITY\\d+=4\\.)[0-8]$")),
                     QStringLiteral("\\1?"));
    }
    // The entry without an identifier yields nothing but uses number 3; entry 4 follows.
    const QStringList expected{"SearchKey=x",
                               "ID0=aaa111",
                               "TITLE0=First &quot;Song\"",
                               "DURATION0=3:07",
                               "POPULARITY0=60",
                               "ID1=bbb222",
                               "TITLE1=Second <b>Song</b>",
                               "ID2=ccc333",
                               "TITLE2=Third 'n' Last",
                               "DURATION2=<span>1:02:03</span>",
                               "POPULARITY2=4.?",
                               "ID4=eee555",
                               "TITLE4=Fifth",
                               "DURATION4=0:10",
                               "POPULARITY4=4.?",
                               "PAGE0=1",
                               "PAGE1=2",
                               "PAGE2=3"};
    QCOMPARE(lines, expected);
}

void TestResultParser::noEntryMatchGivesNoSongs() {
    TSearchFixture fixture;
    TNameValueList list;
    TResultParser parser;
    QVERIFY(parser.ParseAnswer(QStringLiteral("<html>nothing found</html>"), list));
    QVERIFY(list.IsEmpty());
}

void TestResultParser::brokenPatternKeepsWhatWasParsed_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("entry pattern, nothing parsed") << "Pattern.entry"
                                                   << "(unclosed" << QStringList{};
    QTest::newRow("empty entry pattern") << "Pattern.entry"
                                         << "" << QStringList{};
    QTest::newRow("title pattern: first identifier only") << "Pattern.title"
                                                          << "[z-a]" << QStringList{"ID0"};
    QTest::newRow("pages pattern: every song, no page")
        << "Pattern.pages"
        << "(?<" << QStringList{"ID0",    "TITLE0", "DURATION0", "POPULARITY0", "ID1",
                                "TITLE1", "ID2",    "TITLE2",    "DURATION2",   "POPULARITY2",
                                "ID4",    "TITLE4", "DURATION4", "POPULARITY4"};
}

void TestResultParser::brokenPatternKeepsWhatWasParsed() {
    QFETCH(QString, key);
    QFETCH(QString, pattern);
    QFETCH(QStringList, names);
    QString strConst = TSearchFixture::TestData(QStringLiteral("const.dat"));
    strConst.replace(
        QRegularExpression(u'^' + QRegularExpression::escape(key) + QStringLiteral("=.*$"),
                           QRegularExpression::MultilineOption),
        key + u'=' + pattern);
    TSearchFixture fixture(TSearchFixture::KFixtureTemplates, strConst);
    TNameValueList list;
    TResultParser parser;
    QVERIFY(!parser.ParseAnswer(TSearchFixture::TestData(QStringLiteral("answer.html")), list));
    QVERIFY2(parser.ErrorText().startsWith(key), qPrintable(parser.ErrorText()));
    QStringList parsed;
    for (qsizetype i = 0; i < list.Count(); ++i) {
        parsed.append(list.Name(i));
    }
    QCOMPARE(parsed, names);
}

void TestResultParser::popularityScore_data() {
    QTest::addColumn<QString>("views");
    QTest::addColumn<QString>("score");
    QTest::newRow("grouped with commas") << "1,234,567"
                                         << "60";
    QTest::newRow("grouped with spaces") << "1 234 567"
                                         << "60";
    QTest::newRow("12 is the floor") << "12"
                                     << "10";
    QTest::newRow("13") << "13"
                        << "11";
    QTest::newRow("1000") << "1000"
                          << "29";
    QTest::newRow("largest 32-bit count") << "2,147,483,647"
                                          << "92";
    QTest::newRow("above 32 bits reads as 0") << "2147483648"
                                              << "10";
    QTest::newRow("zero") << "0"
                          << "10";
    QTest::newRow("not a number") << "many"
                                  << "10";
    QTest::newRow("empty") << ""
                           << "10";
}

void TestResultParser::popularityScore() {
    QFETCH(QString, views);
    QFETCH(QString, score);
    QCOMPARE(TResultParser::PopularityScore(views), score);
}

void TestResultParser::unknownPopularityIsFourPointDigit() {
    QSet<QString> seen;
    for (int i = 0; i < 300; ++i) {
        const QString strScore = TResultParser::UnknownPopularity();
        QVERIFY2(QRegularExpression(QStringLiteral("^4\\.[0-8]$")).match(strScore).hasMatch(),
                 qPrintable(strScore));
        seen.insert(strScore);
    }
    QVERIFY(seen.size() > 1);
}

void TestResultParser::htmlUnescape_data() {
    QTest::addColumn<QString>("escaped");
    QTest::addColumn<QString>("plain");
    QTest::newRow("three entities") << "&quot;a&quot; &#39;b&#39; c&amp;d"
                                    << "\"a\" 'b' c&d";
    QTest::newRow("decoded once only") << "&amp;quot;"
                                       << "&quot;";
    QTest::newRow("others stay") << "&lt;b&gt; &nbsp;"
                                 << "&lt;b&gt; &nbsp;";
}

void TestResultParser::htmlUnescape() {
    QFETCH(QString, escaped);
    QFETCH(QString, plain);
    QCOMPARE(TResultParser::HtmlUnescape(escaped), plain);
}

QTEST_GUILESS_MAIN(TestResultParser)
#include "tst_ResultParser.moc"
