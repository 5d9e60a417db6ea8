// The search and category paths against the sample catalogue service running as a real process
// on a free port, fetched by the real page fetcher and rendered with the shipped pages.
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

#include "RecordingFakes.h"
#include "SearchFixture.h"
#include "search/CenterView.h"
#include "search/CurrentInfo.h"
#include "search/SearchFrame.h"

namespace {

const int kWaitMs = 30000;
const QString kShippedBase = QStringLiteral("http://127.0.0.1:47815");

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void searchShowsSongs();
    void categoryShowsKeywords();

private:
    QProcess FService;
    QString FBase;
    std::unique_ptr<TSearchFixture> FFixture;
    TRecordingHtmlView FMain;
    TRecordingHtmlView FHome;
    TRecordingHtmlView FCategory;
    TRecordingSearchBox FBox;
    TRecordingPlayer FPlayer;
    std::unique_ptr<TCurrentInfo> FInfo;
    std::unique_ptr<TSearchFrame> FFrame;
    std::unique_ptr<TCenterView> FView;
};

void TestEndToEnd::initTestCase() {
    FService.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FService.start(QStringLiteral(HALVEX_PROGRAM_DIR "/halvex-sample-service"),
                   {QStringLiteral("--port"), QStringLiteral("0")});
    QVERIFY2(FService.waitForStarted(), qPrintable(FService.errorString()));
    static const QRegularExpression listening(QStringLiteral("(http://127\\.0\\.0\\.1:\\d+)/"));
    QRegularExpressionMatch match;
    while (!match.hasMatch()) {
        if (!FService.canReadLine()) {
            QVERIFY2(FService.waitForReadyRead(kWaitMs), "the service printed no address");
        }
        match = listening.match(QString::fromUtf8(FService.readLine()));
    }
    FBase = match.captured(1);
}

void TestEndToEnd::init() {
    // The shipped configuration, pointed at the service under test.
    const QString strConst =
        QString::fromUtf8(ReadAll(QStringLiteral(HALVEX_SOURCE_DIR "/data/const.dat")))
            .replace(kShippedBase, FBase);
    FFixture = std::make_unique<TSearchFixture>(TSearchFixture::KShippedTemplates, strConst);
    FInfo = std::make_unique<TCurrentInfo>();
    FFrame = std::make_unique<TSearchFrame>(&FBox);
    FView = std::make_unique<TCenterView>(*FInfo, TCenterView::TViews{&FMain, &FHome, &FCategory},
                                          FFrame.get(), &FPlayer);
}

void TestEndToEnd::cleanup() {
    FView.reset();
    FFrame.reset();
    FInfo.reset();
    FFixture.reset();
    FMain = {};
    FCategory = {};
}

void TestEndToEnd::cleanupTestCase() {
    FService.terminate();
    QVERIFY(FService.waitForFinished(kWaitMs));
}

void TestEndToEnd::searchShowsSongs() {
    FView->StartSearch(QStringLiteral("paper hearts"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(FMain.Loaded.size(), 1, kWaitMs);
    const QString html = FMain.Loaded[0];
    QCOMPARE(FView->SearchResult().Lines().last(), QStringLiteral("VCOUNT=1"));
    QVERIFY(html.contains(QStringLiteral("<td class=\"title\"><b>Paper</b> <b>Hearts</b></td>")));
    QVERIFY(html.contains(QStringLiteral("<td class=\"length\">0:27</td>")));
    QVERIFY(html.contains(QStringLiteral("value=\"60\"")));  // 1,234,567 views
    const QRegularExpression play(
        QStringLiteral("href=\"qwz:ACTION=Play&amp;ID=([A-Za-z0-9_-]+)&amp;TITLE=Paper\\+Hearts&"
                       "amp;LONG=27&amp;PID=0\""));
    const QRegularExpressionMatch match = play.match(html);
    QVERIFY2(match.hasMatch(), qPrintable(html));

    // The play link as the page holds it becomes the request for that song.
    QVERIFY(FView->BeforeNavigate(match.captured(0).sliced(6).chopped(1).replace(
        QStringLiteral("&amp;"), QStringLiteral("&"))));
    QCOMPARE(FPlayer.Played.size(), 1);
    QCOMPARE(FPlayer.Played[0].Id, match.captured(1));
    QCOMPARE(FPlayer.Played[0].Title, QStringLiteral("Paper Hearts"));
    QCOMPARE(FPlayer.Played[0].Long, 27);

    // A keyword with more songs than one page holds: twenty rows and page links.
    FView->StartSearch(QStringLiteral("sessions"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(FMain.Loaded.size(), 2, kWaitMs);
    QCOMPARE(FMain.Loaded[1].count(QStringLiteral("<tr id=\"song-")), 20);
    QVERIFY(FMain.Loaded[1].contains(QStringLiteral("<b>1</b>")));
    QVERIFY(
        FMain.Loaded[1].contains(QStringLiteral("href=\"qwz:ACTION=FlipPage&amp;PAGE=2\">2</a>")));
    QVERIFY(FMain.Loaded[1].contains(QStringLiteral("Night Drive")));
}

void TestEndToEnd::categoryShowsKeywords() {
    FView->ShowCategory();
    QCOMPARE(FCategory.Loaded.size(), 1);
    QVERIFY(FCategory.Loaded[0].contains(QStringLiteral(
        "href=\"qwz:ACTION=Categories&amp;CATEGORYID=0&amp;CATEGORYPAGE=1\">Pop</a>")));
    QVERIFY(FCategory.Loaded[0].contains(QStringLiteral(">Jazz &amp; Blues</a>")) ||
            FCategory.Loaded[0].contains(QStringLiteral(">Jazz & Blues</a>")));

    QVERIFY(
        FView->BeforeNavigate(QStringLiteral("qwz:ACTION=Categories&CATEGORYID=0&CATEGORYPAGE=1")));
    QTRY_COMPARE_WITH_TIMEOUT(FCategory.Loaded.size(), 2, kWaitMs);
    const QString html = FCategory.Loaded[1];
    QVERIFY(html.contains(QStringLiteral("<title>Pop: Top Songs</title>")));
    QVERIFY2(html.contains(QStringLiteral(
                 "<a href=\"qwz:ACTION=Search&amp;KEYWORD=Paper+Hearts+-+Lena+Morrow\">"
                 "Paper Hearts - Lena Morrow</a>")),
             qPrintable(html));
    QVERIFY(!html.contains(QStringLiteral("__title__")));
    QVERIFY(html.contains(QStringLiteral("<b>1</b>")));

    // Choosing a keyword searches for it.
    QVERIFY(FView->BeforeNavigate(
        QStringLiteral("qwz:ACTION=Search&KEYWORD=Paper+Hearts+-+Lena+Morrow")));
    QCOMPARE(FBox.FText, QStringLiteral("Paper Hearts - Lena Morrow"));
    QTRY_COMPARE_WITH_TIMEOUT(FMain.Loaded.size(), 1, kWaitMs);
    QVERIFY(FMain.Loaded[0].contains(QStringLiteral("<b>Paper</b> <b>Hearts</b>")));
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_EndToEnd.moc"
