#include <QtTest>

#include "SearchFixture.h"
#include "search/ResultPage.h"

namespace {

// The song and page lines of the fixture template, without the header line.
QStringList BodyLines(const QString& strHtml) {
    QStringList lines = strHtml.split(QStringLiteral("\r\n"));
    lines.removeFirst();
    lines.removeAll(QString());
    return lines;
}

}  // namespace

class TestResultPage : public QObject {
    Q_OBJECT
private slots:
    void songsAndPageLinks();
    void listWithoutSongs();
    void namesAsTheListLooksThemUp();
    void missingTemplateChangesNothing();
    void titleURL_data();
    void titleURL();
    void runtimeLong_data();
    void runtimeLong();
};

void TestResultPage::songsAndPageLinks() {
    TSearchFixture fixture;
    const QString app = fixture.ProgramFolder();
    TNameValueList list(QStringList{"SearchKeyURL=http://x/?q=a",
                                    "Page=2",
                                    "SearchKey=Grüße <i>x</i>",
                                    "ID0=aaa",
                                    "TITLE0=One <b>Bold</b>",
                                    "DURATION0=3:07",
                                    "POPULARITY0=60",
                                    "ID1=bbb",
                                    "TITLE1=No Duration",
                                    "POPULARITY1=20",
                                    "ID2=ccc",
                                    "TITLE2=A & B",
                                    "DURATION2=<span>1:02:03</span>",
                                    "POPULARITY2=4.5",
                                    "ID3=ddd",
                                    "TITLE3=Four",
                                    "DURATION3=0:10",
                                    "POPULARITY3=10",
                                    "ID5=fff",
                                    "TITLE5=Unreached",
                                    "DURATION5=1:00",
                                    "PAGE0=1",
                                    "PAGE1=2",
                                    "PAGE2=3"});
    QString html;
    QVERIFY(TResultPage().MakeResultHtml(list, 2, app, html));
    QVERIFY(
        html.startsWith(QStringLiteral("key=Grüße <i>x</i> app=") + app + QStringLiteral("\r\n")));
    // Entry 1 lacks a duration: left out, number kept, shading goes on over the shown songs.
    QCOMPARE(BodyLines(html),
             (QStringList{
                 "song 0|aaa|One <b>Bold</b>|One+Bold|3:07|187|60|downloadtab_white|" + app,
                 "song 2|ccc|A & B|A+%2526+B|<span>1:02:03</span>|62|45|downloadtab_gray|" + app,
                 "song 3|ddd|Four|Four|0:10|10|10|downloadtab_white|" + app, "page |1|1",
                 "page 2||", "page |3|3"}));
    QCOMPARE(list.Lines().last(), QStringLiteral("VCOUNT=4"));
}

void TestResultPage::listWithoutSongs() {
    TSearchFixture fixture;
    TNameValueList list(QStringList{"SearchKey=none"});
    QString html;
    QVERIFY(TResultPage().MakeResultHtml(list, 1, fixture.ProgramFolder(), html));
    QCOMPARE(BodyLines(html), QStringList{});
    QCOMPARE(list.Lines(), (QStringList{"SearchKey=none", "VCOUNT=0"}));
}

void TestResultPage::namesAsTheListLooksThemUp() {
    TSearchFixture fixture;
    const QString app = fixture.ProgramFolder();
    // Any letter case; the first line of a name wins; "ID01" is not "ID1", so song 1 is missing
    // and the walk ends there.
    TNameValueList list(QStringList{"searchkey=k", "SEARCHKEY=other", "id0=a", "Title0=first",
                                    "TITLE0=second", "duration0=1:00", "ID01=b", "TITLE1=t",
                                    "DURATION1=1:00", "ID2=c", "TITLE2=t", "DURATION2=1:00",
                                    "page0=1", "PAGE00=9"});
    QString html;
    QVERIFY(TResultPage().MakeResultHtml(list, 1, app, html));
    QVERIFY(html.startsWith(QStringLiteral("key=k ")));
    QCOMPARE(BodyLines(html),
             (QStringList{"song 0|a|first|first|1:00|60||downloadtab_white|" + app, "page 1||"}));
    QCOMPARE(list.Lines().last(), QStringLiteral("VCOUNT=1"));
}

void TestResultPage::missingTemplateChangesNothing() {
    TSearchFixture fixture;
    QVERIFY(QFile::remove(fixture.ProgramFolder() + QStringLiteral("res/result_en.html")));
    TNameValueList list(QStringList{"ID0=a", "TITLE0=t", "DURATION0=1:00"});
    QString html;
    QVERIFY(!TResultPage().MakeResultHtml(list, 1, fixture.ProgramFolder(), html));
    QCOMPARE(list.Count(), 3);
}

void TestResultPage::titleURL_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("tags removed") << "a <b>bold</b> word"
                                  << "a+bold+word";
    QTest::newRow("space and ampersand") << "Tom & Jerry"
                                         << "Tom+%2526+Jerry";
    QTest::newRow("plus sign survives two decodings") << "1+1"
                                                      << "1%252B1";
    QTest::newRow("UTF-8 bytes") << "é"
                                 << "%25C3%25A9";
    QTest::newRow("safe characters") << "it's(*)-.@_$!"
                                     << "it's(*)-.@_$!";
}

void TestResultPage::titleURL() {
    QFETCH(QString, title);
    QFETCH(QString, encoded);
    QCOMPARE(TResultPage().GetTitleURL(title), encoded);
}

void TestResultPage::runtimeLong_data() {
    QTest::addColumn<QString>("runtime");
    QTest::addColumn<QString>("seconds");
    QTest::newRow("minutes and seconds") << "3:07"
                                         << "187";
    QTest::newRow("hours are not recognised") << "1:02:03"
                                              << "62";
    QTest::newRow("inside a span") << "<span class=\"t\">4:20</span>"
                                   << "260";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("single number is seconds") << "45"
                                              << "45";
    QTest::newRow("garbage fields are 0") << "x:y"
                                          << "0";
    QTest::newRow("huge minutes do not overflow") << "2147483647:00"
                                                  << "128849018820";
}

void TestResultPage::runtimeLong() {
    QFETCH(QString, runtime);
    QFETCH(QString, seconds);
    QCOMPARE(TResultPage::GetRuntimeLong(runtime), seconds);
}

QTEST_GUILESS_MAIN(TestResultPage)
#include "tst_ResultPage.moc"
