#include <QtTest>

#include "SearchFixture.h"
#include "search/CategoryPages.h"

namespace {

QString ConstWith(const QString& strKey, const QString& strValue) {
    QString strConst = TSearchFixture::TestData(QStringLiteral("const.dat"));
    strConst.replace(
        QRegularExpression(u'^' + QRegularExpression::escape(strKey) + QStringLiteral("=.*$"),
                           QRegularExpression::MultilineOption),
        strKey + u'=' + strValue);
    return strConst;
}

}  // namespace

class TestCategoryPages : public QObject {
    Q_OBJECT
private slots:
    void categoryList();
    void categoriesPage_data();
    void categoriesPage();
    void answerBecomesKeywords();
    void laterAnswerReplacesKeywords();
    void brokenPatternIsReported();
    void keywordPage_data();
    void keywordPage();
};

void TestCategoryPages::categoryList() {
    TSearchFixture fixture;
    QCOMPARE(
        TCategoryPages::BuildCategoryList().Lines(),
        (QStringList{"categories_count=3", "0_name=Pop", "0_url=http://127.0.0.1:9/category?c=pop",
                     "1_name=More/Other", "1_url=http://127.0.0.1:9/category?c=other",
                     "2_name=Hip+Hop", "2_url=http://127.0.0.1:9/category?c=hiphop"}));
}

void TestCategoryPages::categoriesPage_data() {
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("More & Other goes last, + decodes")
        << QStringList{"categories_count=3", "0_name=Pop", "1_name=More/Other", "2_name=Hip+Hop"}
        << QStringList{"0:Pop", "2:Hip Hop", "1:More & Other"};
    QTest::newRow("More & Other always shown")
        << QStringList{"categories_count=2", "0_name=Rock/Pop", "1_name=R%26B"}
        << QStringList{"0:Rock & Pop", "1:R&B", "0:More & Other"};
    QTest::newRow("undecodable name shown as it stands")
        << QStringList{"categories_count=1", "0_name=100%"}
        << QStringList{"0:100%", "0:More & Other"};
    QTest::newRow("count not a number")
        << QStringList{"categories_count=x"} << QStringList{"0:More & Other"};
}

void TestCategoryPages::categoriesPage() {
    QFETCH(QStringList, list);
    QFETCH(QStringList, shown);
    TSearchFixture fixture;
    QString html;
    QVERIFY(TCategoryPages::MakeCategoryHtml(TNameValueList(list), fixture.ProgramFolder(), html));
    QStringList expected;
    for (const QString& entry : shown) {
        expected.append(entry + u'@' + fixture.ProgramFolder());
    }
    QCOMPARE(html.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts), expected);
}

void TestCategoryPages::answerBecomesKeywords() {
    TSearchFixture fixture;
    TNameValueList list(QStringList{"categories_count=1", "0_name=Pop"});
    TCategoryPages pages;
    QVERIFY(
        pages.ParseCategoryAnswer(TSearchFixture::TestData(QStringLiteral("category.html")), list));
    // __title__, a missing artist group and an empty title are skipped without using a number.
    QCOMPARE(list.Lines(), (QStringList{"categories_count=1", "0_name=Pop",
                                        "KEYWORD_0=Alpha & Omega - The Band", "KEYWORD_1=Solo Song",
                                        "KEYWORD_2=Última canción - Grupo Ñ", "KEYWORD_COUNT=3"}));
}

void TestCategoryPages::laterAnswerReplacesKeywords() {
    TSearchFixture fixture;
    TNameValueList list(QStringList{"0_name=Pop"});
    TCategoryPages pages;
    QVERIFY(
        pages.ParseCategoryAnswer(TSearchFixture::TestData(QStringLiteral("category.html")), list));
    QVERIFY(pages.ParseCategoryAnswer(QStringLiteral("<li><i>Other</i><u>Page</u></li>"), list));
    QCOMPARE(list.Lines(),
             (QStringList{"0_name=Pop", "KEYWORD_0=Other - Page", "KEYWORD_COUNT=1"}));
}

void TestCategoryPages::brokenPatternIsReported() {
    TSearchFixture fixture(TSearchFixture::KFixtureTemplates,
                           ConstWith(QStringLiteral("c_pattern_artist"), QStringLiteral("(")));
    TNameValueList list;
    TCategoryPages pages;
    QVERIFY(!pages.ParseCategoryAnswer(TSearchFixture::TestData(QStringLiteral("category.html")),
                                       list));
    QVERIFY(pages.ErrorText().startsWith(QStringLiteral("c_pattern_artist")));
}

void TestCategoryPages::keywordPage_data() {
    QTest::addColumn<QString>("pages");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("links");
    QTest::newRow("one page: no links") << "1" << 1 << QStringList{};
    QTest::newRow("three pages, second shown")
        << "3" << 2
        << QStringList{"pg <a href=\"qwz:ACTION=Categories&CATEGORYID=1&CATEGORYPAGE=1\">1</a>",
                       "pg <b>2</b>",
                       "pg <a href=\"qwz:ACTION=Categories&CATEGORYID=1&CATEGORYPAGE=3\">3</a>"};
}

void TestCategoryPages::keywordPage() {
    QFETCH(QString, pages);
    QFETCH(int, page);
    QFETCH(QStringList, links);
    TSearchFixture fixture(TSearchFixture::KFixtureTemplates,
                           ConstWith(QStringLiteral("c_pages"), pages));
    const TNameValueList list(QStringList{"1_name=Rock/Pop", "KEYWORD_0=Tom & Jerry - Ünd",
                                          "KEYWORD_1=Solo", "KEYWORD_COUNT=2"});
    QString html;
    QVERIFY(TCategoryPages::MakeKeywordListHtml(list, 1, page, fixture.ProgramFolder(), html));
    const QStringList expected =
        QStringList{"title=Rock/Pop: top songs", "kw Tom+%26+Jerry+-+%C3%9Cnd|Tom & Jerry - Ünd",
                    "kw Solo|Solo"} +
        links;
    QCOMPARE(html.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts), expected);
}

QTEST_GUILESS_MAIN(TestCategoryPages)
#include "tst_CategoryPages.moc"
