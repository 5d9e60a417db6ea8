// The shipped pages in a real web engine, loaded the way the program loads them: rendered pages
// as document strings with the program folder as base, the welcome page by address. Titles and
// keywords carry script elements and event-handler attributes; none of them may run, while the
// pages' own scripts and styles must.
#include <QGuiApplication>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QtTest>

#include "SearchFixture.h"
#include "search/CategoryPages.h"
#include "search/ResultPage.h"

namespace {

const int kWaitMs = 30000;

// Whatever a hostile title manages to run sets one of these.
const QString kAttacks = QStringLiteral(
    "[window.byScript, window.byHandler, window.bySvg, window.byFile, window.byKeyword]"
    ".some(function (v) { return v !== undefined; })");

class TRecordingPage : public QWebEnginePage {
public:
    QStringList Console;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& strMessage, int,
                                  const QString&) override {
        Console.append(strMessage);
    }
};

}  // namespace

class TestPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void resultPage();
    void resultPageWithoutSongs();
    void keywordPage();
    void welcomePage();

private:
    bool Load(TRecordingPage& page, const QString& strHtml);
    QVariant Eval(TRecordingPage& page, const QString& strScript);

    std::unique_ptr<TSearchFixture> FFixture;
};

void TestPages::initTestCase() {
    FFixture = std::make_unique<TSearchFixture>(TSearchFixture::KShippedTemplates);
    // A script file beside the page's own ones: reachable, but not the page's.
    FFixture->Framework.Sandbox.WriteFile(QStringLiteral("program/res/evil.js"),
                                          QStringLiteral("window.byFile = 1;"));
}

bool TestPages::Load(TRecordingPage& page, const QString& strHtml) {
    QSignalSpy finished(&page, &QWebEnginePage::loadFinished);
    page.setHtml(strHtml, QUrl::fromLocalFile(FFixture->ProgramFolder()));
    return finished.wait(kWaitMs) && finished[0][0].toBool();
}

QVariant TestPages::Eval(TRecordingPage& page, const QString& strScript) {
    QVariant result;
    bool bDone = false;
    page.runJavaScript(strScript, [&](const QVariant& value) {
        result = value;
        bDone = true;
    });
    if (!QTest::qWaitFor([&] { return bDone; }, kWaitMs)) {
        return QStringLiteral("<no answer>");
    }
    return result;
}

void TestPages::resultPage() {
    const QString strEvilFile = FFixture->ProgramFolder() + QStringLiteral("res/evil.js");
    TNameValueList list(QStringList{
        "SearchKey=<img src=x onerror=\"window.byKeyword=1\">", "ID0=a0",
        "TITLE0=Evil <script>window.byScript=1</script> One", "DURATION0=3:07", "POPULARITY0=60",
        "ID1=a1", "TITLE1=<img src=\"x\" onerror=\"window.byHandler=1\">Two", "DURATION1=1:00",
        "POPULARITY1=4.5", "ID2=a2", "TITLE2=<svg onload=\"window.bySvg=1\"></svg><b>Three</b>",
        "DURATION2=0:10", "POPULARITY2=10", "ID3=a3",
        "TITLE3=<script src=\"" + strEvilFile + "\"></script>Four", "DURATION3=0:20",
        "POPULARITY3=100", "PAGE0=1", "PAGE1=2"});
    QString html;
    QVERIFY(TResultPage().MakeResultHtml(list, 1, FFixture->ProgramFolder(), html));

    TRecordingPage page;
    QVERIFY(Load(page, html));
    // The page's own script and style sheet are in force.
    QCOMPARE(Eval(page, QStringLiteral("typeof ShowIcon + ',' + typeof ShowDIcon")).toString(),
             QStringLiteral("function,function"));
    QCOMPARE(Eval(page, QStringLiteral("getComputedStyle(document.getElementById('song-1'))"
                                       ".backgroundColor"))
                 .toString(),
             QStringLiteral("rgb(245, 246, 249)"));
    QCOMPARE(Eval(page, QStringLiteral("document.querySelectorAll('tbody tr').length")).toInt(), 4);
    QCOMPARE(Eval(page, QStringLiteral("document.querySelector('#song-0 meter').value")).toInt(),
             60);
    // Nothing from the titles or the keyword ran, and the refusals went to the console.
    QTest::qWait(500);
    QCOMPARE(Eval(page, kAttacks).toBool(), false);
    QVERIFY2(page.Console.join(u'\n').contains(QStringLiteral("Content Security Policy")),
             qPrintable(page.Console.join(u'\n')));

    // The program's marks.
    Eval(page, QStringLiteral("ShowIcon(2); ShowDIcon(0); ShowDIcon(3);"));
    QCOMPARE(Eval(page, QStringLiteral("[0,1,2,3].map(function (i) {"
                                       " return document.getElementById('song-' + i).className;"
                                       " }).join('|')"))
                 .toString(),
             QStringLiteral("downloadtab_white queued|downloadtab_gray|downloadtab_white playing|"
                            "downloadtab_gray queued"));
    Eval(page, QStringLiteral("ShowIcon(1); ShowIcon(99);"));
    QCOMPARE(Eval(page, QStringLiteral("document.querySelectorAll('tr.playing').length")).toInt(),
             0);
    Eval(page, QStringLiteral("ShowIcon(1);"));
    QCOMPARE(Eval(page, QStringLiteral("document.querySelector('tr.playing').id")).toString(),
             QStringLiteral("song-1"));
    // The empty-list note stays hidden; the current page is not a link.
    QCOMPARE(
        Eval(page, QStringLiteral("getComputedStyle(document.getElementById('empty')).display"))
            .toString(),
        QStringLiteral("none"));
    QCOMPARE(Eval(page, QStringLiteral("Array.prototype.filter.call(document.querySelectorAll("
                                       "'nav.pages a, nav.pages b'), function (e) {"
                                       " return getComputedStyle(e).display !== 'none'; })"
                                       ".map(function (e) { return e.outerHTML; }).join('')"))
                 .toString(),
             QStringLiteral("<b>1</b><a href=\"qwz:ACTION=FlipPage&amp;PAGE=2\">2</a>"));
}

void TestPages::resultPageWithoutSongs() {
    TNameValueList list(QStringList{"SearchKey=nothing"});
    QString html;
    QVERIFY(TResultPage().MakeResultHtml(list, 1, FFixture->ProgramFolder(), html));
    TRecordingPage page;
    QVERIFY(Load(page, html));
    QTRY_COMPARE_WITH_TIMEOUT(
        Eval(page, QStringLiteral("getComputedStyle(document.getElementById('empty')).display"))
            .toString(),
        QStringLiteral("block"), kWaitMs);
}

void TestPages::keywordPage() {
    TNameValueList list(QStringList{"3_name=Hip+Hop",
                                    "KEYWORD_0=<img src=x onerror=\"window.byKeyword=1\">",
                                    "KEYWORD_1=Plain - Artist", "KEYWORD_COUNT=2"});
    QString html;
    QVERIFY(TCategoryPages::MakeKeywordListHtml(list, 3, 1, FFixture->ProgramFolder(), html));
    TRecordingPage page;
    QVERIFY(Load(page, html));
    QCOMPARE(Eval(page, QStringLiteral(
                            "document.querySelectorAll('ol.keywords a')[1].getAttribute('href')"))
                 .toString(),
             QStringLiteral("qwz:ACTION=Search&KEYWORD=Plain+-+Artist"));
    QTest::qWait(300);
    QCOMPARE(Eval(page, kAttacks).toBool(), false);
}

void TestPages::welcomePage() {
    TRecordingPage page;
    QSignalSpy finished(&page, &QWebEnginePage::loadFinished);
    const QString strInfo = QStringLiteral("http://127.0.0.1:1/info?12345");
    page.load(
        QUrl(QUrl::fromLocalFile(FFixture->ProgramFolder() + QStringLiteral("res/welcome.html"))
                 .toString() +
             u'?' + strInfo));
    QVERIFY(finished.wait(kWaitMs));
    QTRY_COMPARE_WITH_TIMEOUT(
        Eval(page, QStringLiteral("document.getElementById('info').getAttribute('src')"))
            .toString(),
        strInfo, kWaitMs);
}

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);
    TestPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Pages.moc"
