#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "LoopbackHttpServer.h"
#include "RecordingFakes.h"
#include "SearchFixture.h"
#include "framework/KrSettings.h"
#include "search/CenterView.h"
#include "search/CurrentInfo.h"
#include "search/KeywordHistory.h"
#include "search/SearchFrame.h"

namespace {

const int kWaitMs = 20000;

// A center view wired to recording views, box and player, searching a loopback server that
// answers with the fixture pages.
struct TRig {
    explicit TRig(const QString& strConstEdit = QString()) {
        Server.SetPage(QStringLiteral("/search"), ReadAll(Data(QStringLiteral("answer.html"))));
        Server.SetPage(QStringLiteral("/category"), ReadAll(Data(QStringLiteral("category.html"))));
        QString strConst = TSearchFixture::TestData(QStringLiteral("const.dat"))
                               .replace(QStringLiteral("http://127.0.0.1:9"), Server.BaseURL());
        if (!strConstEdit.isEmpty()) {
            const QString strKey = strConstEdit.first(strConstEdit.indexOf(u'='));
            strConst.replace(QRegularExpression(
                                 u'^' + QRegularExpression::escape(strKey) + QStringLiteral("=.*$"),
                                 QRegularExpression::MultilineOption),
                             strConstEdit);
        }
        Fixture = std::make_unique<TSearchFixture>(TSearchFixture::KFixtureTemplates, strConst);
        Frame = std::make_unique<TSearchFrame>(&Box);
        View = std::make_unique<TCenterView>(Info, TCenterView::TViews{&Main, &Home, &Category},
                                             Frame.get(), &Player);
        QObject::connect(Frame.get(), &TSearchFrame::OnSearch, View.get(),
                         &TCenterView::StartSearch);
    }

    static QString Data(const QString& strName) {
        return QStringLiteral(HALVEX_TEST_DATA_DIR "/search/") + strName;
    }
    QStringList Targets() const {
        QStringList targets;
        for (const auto& request : Server.Requests()) {
            targets.append(QString::fromUtf8(request.Target));
        }
        return targets;
    }
    QStringList Messages() const {
        QStringList texts;
        for (const auto& shown : Fixture->Framework.Dialog.Shown) {
            texts.append(shown.Text);
        }
        return texts;
    }

    TLoopbackHttpServer Server;
    std::unique_ptr<TSearchFixture> Fixture;
    TRecordingHtmlView Main;
    TRecordingHtmlView Home;
    TRecordingHtmlView Category;
    TRecordingSearchBox Box;
    TRecordingPlayer Player;
    TCurrentInfo Info;
    std::unique_ptr<TSearchFrame> Frame;
    std::unique_ptr<TCenterView> View;
};

}  // namespace

class TestCenterView : public QObject {
    Q_OBJECT
private slots:
    void requestAddress_data();
    void requestAddress();
    void answerBecomesResultPage();
    void refusedKeywords_data();
    void refusedKeywords();
    void missingServiceAddress();
    void brokenPatternStillShowsPage();
    void newSearchDropsAnswerOfOldOne();
    void failedFetchesDoNotHang();
    void serviceInformation();
    void commandLinks_data();
    void commandLinks();
    void playLink();
    void downloadLink();
    void flipPageAndSearchLinks();
    void categories();
    void advancedSearch_data();
    void advancedSearch();
    void welcomeAndHotSongs();
};

void TestCenterView::requestAddress_data() {
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("target");
    QTest::newRow("form encoding") << "a b&c" << 2 << "/search?q=a+b%26c&page=2";
    QTest::newRow("UTF-8 bytes") << "Grüße 東京" << 1
                                 << "/search?q=Gr%C3%BC%C3%9Fe+%E6%9D%B1%E4%BA%AC&page=1";
    QTest::newRow("page 0 asks for 1") << "x" << 0 << "/search?q=x&page=1";
    QTest::newRow("negative page asks for 1") << "x" << -4 << "/search?q=x&page=1";
}

void TestCenterView::requestAddress() {
    QFETCH(QString, keyword);
    QFETCH(int, page);
    QFETCH(QString, target);
    TRig rig;
    rig.View->StartSearch(keyword, page);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Targets(), QStringList{target}, kWaitMs);
    QCOMPARE(rig.Info.Page, page);  // the state keeps the page given
    QCOMPARE(rig.Info.PID, -1);
    QCOMPARE(rig.Info.Keyword, keyword);
    QCOMPARE(rig.Box.FText, keyword);
    QCOMPARE(TKeywordHistory::Keywords(), QStringList{keyword});
}

void TestCenterView::answerBecomesResultPage() {
    TRig rig;
    QSignalSpy pageChanged(rig.View.get(), &TCenterView::OnPageChanged);
    rig.View->SetActivePage(TCenterView::KCategoryPage);
    rig.View->StartSearch(QStringLiteral("song"), 2);
    QCOMPARE(rig.View->ActivePage(), TCenterView::KResultPage);
    QCOMPARE(pageChanged.count(), 2);
    QCOMPARE(rig.Main.Navigated.size(), 1);
    QVERIFY(rig.Main.Navigated[0].endsWith(QStringLiteral("/res/loading.html")));
    QTRY_COMPARE_WITH_TIMEOUT(rig.Main.Loaded.size(), 1, kWaitMs);

    const QStringList lines = rig.View->SearchResult().Lines();
    QCOMPARE(lines.mid(0, 4),
             (QStringList{"SearchKeyURL=" + rig.Server.URL(QStringLiteral("/search?q=song")),
                          "DownloadURL=" + rig.Server.URL(QStringLiteral("/watch?v=")), "Page=2",
                          "SearchKey=song"}));
    QVERIFY(lines.contains(QStringLiteral("ID4=eee555")));
    QCOMPARE(lines.last(), QStringLiteral("VCOUNT=3"));
    // The fixture template: the first entry is shown, the second lacks a duration, the fourth
    // has no identifier, so the fifth is not reached.
    const QString html = rig.Main.Loaded[0];
    QVERIFY(html.startsWith(QStringLiteral("key=song ")));
    QVERIFY(html.contains(QStringLiteral("song 0|aaa111|First &quot;Song\"|")));
    QVERIFY(html.contains(QStringLiteral("song 2|ccc333|")));
    QVERIFY(!html.contains(QStringLiteral("eee555")));
    QVERIFY(html.contains(QStringLiteral("page 2||\r\n")));
    QCOMPARE(rig.Messages(), QStringList{});

    // The same search again is not recorded twice.
    rig.View->StartSearch(QStringLiteral("song"), 1);
    QCOMPARE(TKeywordHistory::Keywords(), QStringList{"song"});
}

void TestCenterView::refusedKeywords_data() {
    QTest::addColumn<QString>("keyword");
    QTest::newRow("empty") << "";
    QTest::newRow("the hint") << "Title/Artist/Album";
}

void TestCenterView::refusedKeywords() {
    QFETCH(QString, keyword);
    TRig rig;
    rig.View->StartSearch(keyword, 1);
    QCOMPARE(rig.Messages(), QStringList{"Please enter the keyword."});
    QCOMPARE(rig.Main.Navigated, QStringList{});
    QCOMPARE(TKeywordHistory::Keywords(), QStringList{});
    QCOMPARE(rig.Info.PID, 0);
}

void TestCenterView::missingServiceAddress() {
    TRig rig(QStringLiteral("SearchKeyURL="));
    rig.View->StartSearch(QStringLiteral("x"), 1);
    QCOMPARE(rig.Messages(), QStringList{"Please wait a minute for downloading searching info."});
    QCOMPARE(rig.Fixture->Framework.Dialog.Shown[0].DlgType, int(KrDlg::KWarning));
    QVERIFY(rig.Info.MDInfo.IsEmpty());
    QCOMPARE(rig.Main.Navigated, QStringList{});
    QCOMPARE(rig.Box.FText, QString());
    QTest::qWait(200);  // a request would have been sent at once
    QCOMPARE(rig.Targets(), QStringList{});
}

void TestCenterView::brokenPatternStillShowsPage() {
    TRig rig(QStringLiteral("Pattern.duration=(?<"));
    rig.View->StartSearch(QStringLiteral("song"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Main.Loaded.size(), 1, kWaitMs);
    QCOMPARE(rig.View->SearchResult().Lines().mid(4),
             (QStringList{"ID0=aaa111", "TITLE0=First &quot;Song\"", "VCOUNT=1"}));
    QCOMPARE(rig.Messages().size(), 1);
    QVERIFY2(rig.Messages()[0].contains(QStringLiteral("Pattern.duration")),
             qPrintable(rig.Messages()[0]));
    QCOMPARE(rig.Fixture->Framework.Dialog.Shown[0].DlgType, int(KrDlg::KError));
}

void TestCenterView::newSearchDropsAnswerOfOldOne() {
    TRig rig;
    TLoopbackHttpServer::TRoute stalled;
    stalled.Body = ReadAll(TRig::Data(QStringLiteral("answer.html")));
    stalled.Fault = TLoopbackHttpServer::EFault::KStall;
    rig.Server.SetRoute(QStringLiteral("/search?q=slow&page=1"), stalled);
    rig.Server.SetPage(QStringLiteral("/search?q=fast&page=1"),
                       QByteArrayLiteral("<div class=\"song\"><a href=\"/watch?v=fast1\">Fast</a>"
                                         "<span class=\"len\">1:00</span></div>"));
    rig.View->StartSearch(QStringLiteral("slow"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Targets().size(), 1, kWaitMs);
    rig.View->StartSearch(QStringLiteral("fast"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Main.Loaded.size(), 1, kWaitMs);
    rig.Server.ReleaseStalls();
    QTest::qWait(300);  // the old answer would arrive now
    QCOMPARE(rig.Main.Loaded.size(), 1);
    QVERIFY(rig.Main.Loaded[0].contains(QStringLiteral("|fast1|Fast|")));
    QCOMPARE(rig.Info.Keyword, QStringLiteral("fast"));
}

void TestCenterView::failedFetchesDoNotHang() {
    // Port 1 on the loopback address has no listener: the connection is refused.
    TRig rig(QStringLiteral("SearchKeyURL=http://127.0.0.1:1/search?q="));
    rig.View->StartSearch(QStringLiteral("gone"), 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.Messages().size(), 1, kWaitMs);
    QCOMPARE(rig.Messages()[0], QStringLiteral("The music service could not be reached. Please "
                                               "check the connection and try again."));
    QVERIFY(rig.Main.Navigated.last().contains(QStringLiteral("/res/welcome.html?")));
    QCOMPARE(rig.Main.Loaded, QStringList{});

    TLoopbackHttpServer::TRoute reset;
    reset.Body = QByteArrayLiteral("<li><i>never</i><u>seen</u></li>");
    reset.Fault = TLoopbackHttpServer::EFault::KReset;
    reset.CutAfter = 0;
    rig.Server.SetRoute(QStringLiteral("/category"), reset);
    QVERIFY(rig.View->BeforeNavigate(QStringLiteral("qwz:ACTION=Categories&CATEGORYID=0")));
    QTRY_COMPARE_WITH_TIMEOUT(rig.Messages().size(), 2, kWaitMs);
    QCOMPARE(rig.Category.Loaded.size(), 1);
    QVERIFY(rig.Category.Loaded[0].startsWith(QStringLiteral("0:Pop@")));
}

void TestCenterView::serviceInformation() {
    TRig rig;
    QCOMPARE(rig.Info.PID, 0);  // zeroed until the first search
    QVERIFY(rig.Info.GetMDInfo());
    QVERIFY(rig.Info.GetMDInfo());
    QCOMPARE(rig.Info.MDInfo.Lines(),
             (QStringList{"SearchKeyURL=" + rig.Server.URL(QStringLiteral("/search?q=")),
                          "DownloadURL=" + rig.Server.URL(QStringLiteral("/watch?v="))}));
    QCOMPARE(rig.Messages(), QStringList{});
}

void TestCenterView::commandLinks_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("title");
    QTest::newRow("other scheme goes ahead")
        << "https://example.org/?ACTION=Play" << false << -1 << "";
    QTest::newRow("unknown action goes ahead")
        << "qwz:ACTION=Dance&ID=a" << false << int(UA_NONE) << "";
    QTest::newRow("no action goes ahead") << "qwz:ID=a" << false << int(UA_NONE) << "";
    QTest::newRow("title encoded twice comes back")
        << "qwz:ACTION=Download&TITLE=1%252B1+%2526+%25C3%25A9" << true << int(UA_DOWNLOAD)
        << "1+1 & é";
    QTest::newRow("title encoded once loses its plus")
        << "qwz:ACTION=Download&TITLE=1%2B1+%26" << true << int(UA_DOWNLOAD) << "1 1 &";
    QTest::newRow("stray percent after one decoding is kept")
        << "qwz:ACTION=Download&TITLE=100%25+sure" << true << int(UA_DOWNLOAD) << "100% sure";
    QTest::newRow("entities in the title")
        << "qwz:ACTION=Download&TITLE=%2526amp%253B" << true << int(UA_DOWNLOAD) << "&";
    QTest::newRow("last of a repeated parameter wins")
        << "qwz:ACTION=Play&ACTION=Download&TITLE=a&TITLE=b" << true << int(UA_DOWNLOAD) << "b";
    QTest::newRow("parameters after a question mark")
        << "qwz:whatever?ACTION=Download&TITLE=t" << true << int(UA_DOWNLOAD) << "t";
}

void TestCenterView::commandLinks() {
    QFETCH(QString, link);
    QFETCH(bool, cancelled);
    QFETCH(int, action);
    QFETCH(QString, title);
    TRig rig;
    rig.Info.URLInfo.Action = UA_SEARCH;  // a marker: -1 rows leave it alone
    QCOMPARE(rig.View->BeforeNavigate(link), cancelled);
    if (action < 0) {
        QCOMPARE(rig.Info.URLInfo.Action, UA_SEARCH);
        return;
    }
    QCOMPARE(int(rig.Info.URLInfo.Action), action);
    QCOMPARE(rig.Info.URLInfo.Title, title);
}

void TestCenterView::playLink() {
    TRig rig;
    rig.Info.Keyword = QStringLiteral("kw");
    rig.Info.PID = 7;
    QVERIFY(rig.View->BeforeNavigate(
        QStringLiteral("QWZ:action=play&id=AbC&title=A%252B%2526B&long=187&pid=3&page=x")));
    TUrlInfo expected;
    expected.Action = UA_PLAY;
    expected.Id = QStringLiteral("AbC");
    expected.SC_Key = QStringLiteral("kw");
    expected.Title = QStringLiteral("A+&B");
    expected.Long = 187;
    expected.PId = 3;
    QCOMPARE(rig.Info.URLInfo, expected);
    QCOMPARE(rig.Info.PID, 3);
    QCOMPARE(rig.Player.Callbacks, (QStringList{"Stop,", "Title,A+&B", "Wait,"}));
    QCOMPARE(rig.Player.Played, QList<TUrlInfo>{expected});
    QCOMPARE(rig.Main.Scripts, QStringList{"ShowIcon(3);"});

    // Played from the hot songs page, the mark still goes to the result page.
    QVERIFY(rig.View->BeforeNavigate(QStringLiteral("qwz:ACTION=Play&ID=z")));
    QCOMPARE(rig.Info.PID, 0);
    QCOMPARE(rig.Main.Scripts.last(), QStringLiteral("ShowIcon(0);"));
}

void TestCenterView::downloadLink() {
    TRig rig;
    rig.Info.PID = 5;
    rig.Info.Keyword = QStringLiteral("kw");
    QSignalSpy spy(rig.View.get(), &TCenterView::OnDownload);
    QVERIFY(rig.View->BeforeNavigate(
        QStringLiteral("qwz:ACTION=Download&ID=x1&TITLE=T&LONG=60&PID=2")));
    QCOMPARE(spy.count(), 1);
    const TUrlInfo info = spy[0][0].value<TUrlInfo>();
    QCOMPARE(info.Action, UA_DOWNLOAD);
    QCOMPARE(info.Id, QStringLiteral("x1"));
    QCOMPARE(info.PId, 2);
    QCOMPARE(info.Long, 60);
    QCOMPARE(info.SC_Key, QStringLiteral("kw"));
    QCOMPARE(rig.Info.PID, 5);  // only a play link moves the previewed song
    QCOMPARE(rig.Player.Played.size(), 0);
}

void TestCenterView::flipPageAndSearchLinks() {
    TRig rig;
    rig.View->StartSearch(QStringLiteral("Advance Search:a b "), 1);
    QVERIFY(rig.View->BeforeNavigate(QStringLiteral("qwz:ACTION=FlipPage&PAGE=3")));
    QCOMPARE(rig.Info.Page, 3);
    QVERIFY(rig.View->BeforeNavigate(
        QStringLiteral("qwz:ACTION=Search&KEYWORD=Gr%C3%BC%C3%9Fe+%26+co")));
    QCOMPARE(rig.Info.Keyword, QStringLiteral("Grüße & co"));
    QCOMPARE(rig.Box.FText, QStringLiteral("Grüße & co"));
    QCOMPARE(rig.Info.Page, 1);
    QCOMPARE(TKeywordHistory::Keywords(),
             (QStringList{"Grüße & co", "a b ", "Advance Search:a b "}));
    // A search link without keyword is refused like an empty box.
    QVERIFY(rig.View->BeforeNavigate(QStringLiteral("qwz:ACTION=Search")));
    QCOMPARE(rig.Messages(), QStringList{"Please enter the keyword."});
    // Each search drops the one before it, so only the last request is sure to reach the server.
    QTRY_VERIFY_WITH_TIMEOUT(
        rig.Targets().contains(QStringLiteral("/search?q=Gr%C3%BC%C3%9Fe+%26+co&page=1")), kWaitMs);
}

void TestCenterView::categories() {
    TRig rig;
    // A category link before the categories page was ever shown still finds its address.
    QVERIFY(rig.View->BeforeNavigate(
        QStringLiteral("qwz:ACTION=Categories&CATEGORYID=2&CATEGORYPAGE=2")));
    QCOMPARE(rig.Category.Navigated.size(), 1);
    QVERIFY(rig.Category.Navigated[0].endsWith(QStringLiteral("/res/loading.html")));
    QTRY_COMPARE_WITH_TIMEOUT(rig.Category.Loaded.size(), 1, kWaitMs);
    QCOMPARE(rig.Targets(), QStringList{"/category?c=hiphop&p=2"});
    QCOMPARE(rig.View->CategoryID(), 2);
    QCOMPARE(rig.View->CategoryPage(), 2);
    QVERIFY(rig.Category.Loaded[0].startsWith(QStringLiteral("title=Hip+Hop: top songs\r\n")));
    QVERIFY(rig.Category.Loaded[0].contains(QStringLiteral("kw Solo+Song|Solo Song")));
    QVERIFY(rig.Category.Loaded[0].contains(QStringLiteral("pg <b>2</b>")));

    QVERIFY(rig.View->BeforeNavigate(QStringLiteral("qwz:ACTION=Category")));
    QCOMPARE(rig.View->ActivePage(), TCenterView::KCategoryPage);
    QCOMPARE(rig.Category.Loaded.size(), 2);
    QVERIFY(rig.Category.Loaded[1].startsWith(QStringLiteral("0:Pop@")));

    // Another page of a category shows that page's answer only; no page given means page 1.
    rig.Server.SetPage(QStringLiteral("/category?c=pop&p=1"),
                       QByteArrayLiteral("<li><i>Only</i><u>One</u></li>"));
    QVERIFY(rig.View->BeforeNavigate(QStringLiteral("qwz:ACTION=Categories&CATEGORYID=0")));
    QTRY_COMPARE_WITH_TIMEOUT(rig.Category.Loaded.size(), 3, kWaitMs);
    QCOMPARE(rig.View->CategoryPage(), 1);
    QVERIFY(rig.Category.Loaded[2].contains(QStringLiteral("kw Only+-+One|Only - One\r\n")));
    QVERIFY(!rig.Category.Loaded[2].contains(QStringLiteral("Solo")));
    QCOMPARE(rig.Messages(), QStringList{});
}

void TestCenterView::advancedSearch_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("edition");
    QTest::addColumn<QString>("history");
    QTest::addColumn<QString>("target");
    const QString editionText = QStringLiteral("live edition");
    QTest::newRow("artist, title, edition")
        << QStringList{"A", "T", ""} << 1 << "Advance Search:A T live edition "
        << "/search?q=A+T+live+edition+&page=1";
    QTest::newRow("album only") << QStringList{"", "", "Al"} << 0 << "Advance Search:Al "
                                << "/search?q=Al+&page=1";
    QTest::newRow("nothing but all editions") << QStringList{"", "", ""} << 0 << ""
                                              << "";
}

void TestCenterView::advancedSearch() {
    QFETCH(QStringList, fields);
    QFETCH(int, edition);
    QFETCH(QString, history);
    QFETCH(QString, target);
    TRig rig;
    rig.View->AdvSearch(fields[0], fields[1], fields[2], edition, QStringLiteral("live edition"));
    if (history.isEmpty()) {
        QCOMPARE(
            rig.Messages(),
            QStringList{"Please enter one of Artist, Title, Album or Edition sections at least."});
        QCOMPARE(rig.Fixture->Framework.Dialog.Shown[0].DlgType, int(KrDlg::KInformation));
        QCOMPARE(TKeywordHistory::Keywords(), QStringList{});
        return;
    }
    QCOMPARE(rig.Box.FText, history);
    QCOMPARE(TKeywordHistory::Keywords(), QStringList{history});
    QTRY_COMPARE_WITH_TIMEOUT(rig.Targets(), QStringList{target}, kWaitMs);
}

void TestCenterView::welcomeAndHotSongs() {
    TRig rig;
    QSignalSpy pageChanged(rig.View.get(), &TCenterView::OnPageChanged);
    rig.View->ShowHotSongs();
    QCOMPARE(rig.View->ActivePage(), TCenterView::KHomePage);
    QCOMPARE(rig.Home.Navigated.size(), 1);
    const QRegularExpression hot(
        u'^' + QRegularExpression::escape(rig.Server.URL(QStringLiteral("/hot#"))) +
        QRegularExpression::escape(rig.Server.URL(QStringLiteral("/info?"))) +
        QStringLiteral("[1-9]\\d{4}$"));
    QVERIFY2(hot.match(rig.Home.Navigated[0]).hasMatch(), qPrintable(rig.Home.Navigated[0]));

    rig.View->ShowWelcome();
    QCOMPARE(rig.View->ActivePage(), TCenterView::KResultPage);
    QCOMPARE(pageChanged.count(), 2);
    const QString strWelcome =
        QUrl::fromLocalFile(rig.Fixture->ProgramFolder() + QStringLiteral("res/welcome.html"))
            .toString(QUrl::FullyEncoded);
    const QRegularExpression welcome(
        u'^' +
        QRegularExpression::escape(strWelcome + u'?' + rig.Server.URL(QStringLiteral("/info?"))) +
        QStringLiteral("[1-9]\\d{4}$"));
    QVERIFY2(welcome.match(rig.Main.Navigated.last()).hasMatch(),
             qPrintable(rig.Main.Navigated.last()));
}

QTEST_GUILESS_MAIN(TestCenterView)
#include "tst_CenterView.moc"
