#include <QSignalSpy>
#include <QtTest>

#include "RecordingFakes.h"
#include "SearchFixture.h"
#include "framework/KrSettings.h"
#include "search/KeywordHistory.h"
#include "search/SearchFrame.h"

namespace {

QStringList Numbered(int iFrom, int iTo) {
    QStringList list;
    for (int i = iFrom; i <= iTo; ++i) {
        list.append(QStringLiteral("song %1").arg(i));
    }
    return list;
}

QStringList Reversed(QStringList list) {
    std::reverse(list.begin(), list.end());
    return list;
}

}  // namespace

class TestSearchBox : public QObject {
    Q_OBJECT
private slots:
    void historyRules_data();
    void historyRules();
    void historySurvivesRestart();
    void damagedCountStaysInRange();
    void hintComesAndGoes();
    void enterStartsSearch();
    void clearItem();
};

void TestSearchBox::historyRules_data() {
    QTest::addColumn<QStringList>("saved");
    QTest::addColumn<QStringList>("newestFirst");
    QTest::newRow("ten fill the history") << Numbered(1, 10) << Reversed(Numbered(1, 10));
    QTest::newRow("eleventh drops the oldest") << Numbered(1, 11) << Reversed(Numbered(2, 11));
    QTest::newRow("repeat neither added nor moved")
        << QStringList{"a", "b", "a"} << QStringList{"b", "a"};
    QTest::newRow("letter case makes two entries")
        << QStringList{"a", "A"} << QStringList{"A", "a"};
    QTest::newRow("empty is not kept") << QStringList{"a", ""} << QStringList{"a"};
    QTest::newRow("trailing space compares as stored")
        << QStringList{"Advance Search:x ", "Advance Search:x "}
        << QStringList{"Advance Search:x "};
}

void TestSearchBox::historyRules() {
    QFETCH(QStringList, saved);
    QFETCH(QStringList, newestFirst);
    TSearchFixture fixture;
    for (const QString& strKeyword : saved) {
        TKeywordHistory::SaveKeyword(strKeyword);
    }
    QCOMPARE(TKeywordHistory::Keywords(), newestFirst);
}

void TestSearchBox::historySurvivesRestart() {
    TSearchFixture fixture;
    TKeywordHistory::SaveKeyword(QStringLiteral("first"));
    TKeywordHistory::SaveKeyword(QStringLiteral("second"));
    CreateGlobalSettings(fixture.ProgramFolder());
    QCOMPARE(TKeywordHistory::Keywords(), (QStringList{"second", "first"}));
    QCOMPARE(GlobalSettings()->GetSettingString(QStringLiteral("keyword0")),
             QStringLiteral("first"));
}

void TestSearchBox::damagedCountStaysInRange() {
    TSearchFixture fixture;
    GlobalSettings()->SetSettingInteger(QStringLiteral("keywordCount"), 99);
    QCOMPARE(TKeywordHistory::Keywords().size(), 10);
    GlobalSettings()->SetSettingInteger(QStringLiteral("keywordCount"), -3);
    QCOMPARE(TKeywordHistory::Keywords(), QStringList{});
    TKeywordHistory::SaveKeyword(QStringLiteral("x"));
    QCOMPARE(GlobalSettings()->GetSettingString(QStringLiteral("keyword0")), QStringLiteral("x"));
}

void TestSearchBox::hintComesAndGoes() {
    TSearchFixture fixture;
    TRecordingSearchBox box;
    TSearchFrame frame(&box);
    frame.Init();
    QCOMPARE(box.FText, QStringLiteral("Title/Artist/Album"));
    QCOMPARE(box.FColor, TSearchFrame::KHintColor);
    frame.Enter();
    QCOMPARE(box.FText, QString());
    QCOMPARE(box.FColor, TSearchFrame::KTextColor);
    frame.Exit();
    QCOMPARE(box.FText, QStringLiteral("Title/Artist/Album"));
    frame.Enter();
    box.FText = QStringLiteral("typed");
    frame.Exit();
    QCOMPARE(box.FText, QStringLiteral("typed"));
    QCOMPARE(box.FColor, TSearchFrame::KTextColor);
}

void TestSearchBox::enterStartsSearch() {
    TSearchFixture fixture;
    TRecordingSearchBox box;
    TSearchFrame frame(&box);
    QSignalSpy spy(&frame, &TSearchFrame::OnSearch);
    box.FText = QStringLiteral("abc");
    frame.KeyDown(65);
    QCOMPARE(spy.count(), 0);
    frame.KeyDown(TSearchFrame::KEnterKey);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy[0][0].toString(), QStringLiteral("abc"));
    QCOMPARE(spy[0][1].toInt(), 1);
}

void TestSearchBox::clearItem() {
    TSearchFixture fixture;
    TRecordingSearchBox box;
    TSearchFrame frame(&box);
    frame.DropDown();
    QCOMPARE(box.FItems, QStringList{});  // nothing to clear, nothing offered
    frame.SaveKeyword(QStringLiteral("one"));
    frame.SaveKeyword(QStringLiteral("two"));
    frame.LoadKeywords();
    frame.DropDown();
    frame.DropDown();
    QCOMPARE(box.FItems, (QStringList{"two", "one", "- Clear -"}));
    frame.ItemPicked(QStringLiteral("one"));
    QCOMPARE(box.FItems.size(), 3);
    box.FText = QStringLiteral("- Clear -");
    frame.ItemPicked(QStringLiteral("- Clear -"));
    QCOMPARE(box.FItems, QStringList{});
    QCOMPARE(box.FText, QString());
    frame.SaveKeyword(QStringLiteral("three"));
    QCOMPARE(GlobalSettings()->GetSettingString(QStringLiteral("keyword0")),
             QStringLiteral("three"));
    QCOMPARE(TKeywordHistory::Keywords(), QStringList{"three"});
}

QTEST_GUILESS_MAIN(TestSearchBox)
#include "tst_SearchBox.moc"
