#include <QtTest>

#include "net/PatternMatcher.h"

class TestPatternMatcher : public QObject {
    Q_OBJECT
private slots:
    void matches_data();
    void matches();
    void badPatterns_data();
    void badPatterns();
    void replaceAll();
};

void TestPatternMatcher::matches_data() {
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QStringList>("groups");
    const int entry = TPatternMatcher::KEntryOptions;
    const int field = TPatternMatcher::KFieldOptions;
    QTest::newRow("entries: lazy, across lines")
        << entry << "<li>(.*)</li>"
        << "<li>a\nb</li><li>c</li>" << QStringList{"a\nb", "c"};
    QTest::newRow("entries: trailing ? makes greedy")
        << entry << "<li>(.*?)</li>"
        << "<li>a</li><li>c</li>" << QStringList{"a</li><li>c"};
    QTest::newRow("fields: greedy, one line")
        << field << "<b>(.*)</b>"
        << "<b>x</b><b>y</b>\n<b>z</b>" << QStringList{"x</b><b>y", "z"};
    QTest::newRow("any line break ends a line")
        << field << "(.+)" << QStringLiteral("one\r\ntwo\rthree\u2028four")
        << QStringList{"one", "two", "three", "four"};
    QTest::newRow("UTF-8: a dot is one character") << field << "(.)b"
                                                   << "ébÜb東b" << QStringList{"é", "Ü", "東"};
    QTest::newRow("empty matches move on") << field << "(x*)"
                                           << "ab" << QStringList{"", "", ""};
    QTest::newRow("group that took no part is empty") << field << "(a)|(b)"
                                                      << "b" << QStringList{""};
}

void TestPatternMatcher::matches() {
    QFETCH(int, options);
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QStringList, groups);
    TPatternMatcher matcher{TPatternMatcher::EOptions(options)};
    QVERIFY2(matcher.SetPattern(pattern), qPrintable(matcher.ErrorText()));
    matcher.SetSubject(subject);
    QStringList found;
    while (matcher.Next() && found.size() < 10) {
        found.append(matcher.Group(1));
    }
    QCOMPARE(found, groups);
}

void TestPatternMatcher::badPatterns_data() {
    QTest::addColumn<QString>("pattern");
    QTest::newRow("empty") << "";
    QTest::newRow("unclosed group") << "(a";
    QTest::newRow("reversed range") << "[z-a]";
}

void TestPatternMatcher::badPatterns() {
    QFETCH(QString, pattern);
    TPatternMatcher matcher(TPatternMatcher::KEntryOptions);
    QVERIFY(!matcher.SetPattern(pattern));
    QVERIFY(!matcher.ErrorText().isEmpty());
    matcher.SetSubject(QStringLiteral("anything"));
    QVERIFY(!matcher.Next());
    QCOMPARE(matcher.Group(1), QString());
}

void TestPatternMatcher::replaceAll() {
    TPatternMatcher matcher(TPatternMatcher::KFieldOptions);
    QVERIFY(matcher.SetPattern(QStringLiteral("<(\\S*?)[^>]*>")));
    QCOMPARE(
        matcher.ReplaceAll(QStringLiteral("<b class=\"x\">Grüße</b> & <i>東京</i>"), QString()),
        QStringLiteral("Grüße & 東京"));
    QCOMPARE(matcher.ReplaceAll(QStringLiteral("no tags"), QString()), QStringLiteral("no tags"));
}

QTEST_GUILESS_MAIN(TestPatternMatcher)
#include "tst_PatternMatcher.moc"
