#include <QTemporaryDir>
#include <QtTest>

#include "TestSupport.h"
#include "search/QorTpl.h"

// Fills a template from a compact script: "b:name" begins a block, "e" ends one, "NAME=value"
// sets a variable. Returns the rendered page.
static QString Render(const QString& strTemplate, const QStringList& script) {
    TQorTpl tpl;
    tpl.SetTpl(strTemplate);
    for (const QString& step : script) {
        if (step.startsWith(QStringLiteral("b:"))) {
            tpl.BeginBlock(step.sliced(2));
        } else if (step == QStringLiteral("e")) {
            tpl.EndBlock();
        } else {
            const qsizetype eq = step.indexOf(u'=');
            tpl.SetVar(step.first(eq), step.sliced(eq + 1));
        }
    }
    tpl.MakeHtml();
    return tpl.OutPutHtml();
}

class TestQorTpl : public QObject {
    Q_OBJECT
private slots:
    void rendering_data();
    void rendering();
    void loadNormalisesLineEnds_data();
    void loadNormalisesLineEnds();
    void loadFailsForMissingFile();
    void malformedTemplatesRenderRestLiterally_data();
    void malformedTemplatesRenderRestLiterally();
    void renderingAgainStartsFromEmptyOutput();
};

void TestQorTpl::rendering_data() {
    QTest::addColumn<QString>("tpl");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("expected");

    const QString list =
        QStringLiteral("<ul><!-- begin block row --><li>{N}</li><!-- end block row --></ul>");
    QTest::newRow("top-level variable")
        << QStringLiteral("a{X}b") << QStringList{"X=1"} << QStringLiteral("a1b\r\n");
    QTest::newRow("names ignore case")
        << QStringLiteral("{x}|{X}") << QStringList{"X=v"} << QStringLiteral("v|v\r\n");
    QTest::newRow("non-names stay literal")
        << QStringLiteral("{1x}{ x }{}{a-b}") << QStringList{"x=v", "a=v"}
        << QStringLiteral("{1x}{ x }{}{a-b}\r\n");
    QTest::newRow("unset variable is empty")
        << QStringLiteral("[{Nope}]") << QStringList{} << QStringLiteral("[]\r\n");
    QTest::newRow("instances in order")
        << list << QStringList{"b:row", "N=1", "e", "b:row", "N=2", "e", "b:row", "N=3", "e"}
        << QStringLiteral("<ul><li>1</li><li>2</li><li>3</li></ul>\r\n");
    QTest::newRow("no instance") << list << QStringList{} << QStringLiteral("<ul></ul>\r\n");
    QTest::newRow("markers ignore case")
        << QStringLiteral("<!-- BEGIN BLOCK Row -->{n};<!-- End Block row -->")
        << QStringList{"b:row", "N=1", "e", "b:row", "N=2", "e"} << QStringLiteral("1;2;\r\n");
    QTest::newRow("look-up walks out, instance wins")
        << list << QStringList{"N=top", "b:row", "e", "b:row", "N=own", "e"}
        << QStringLiteral("<ul><li>top</li><li>own</li></ul>\r\n");
    QTest::newRow("backslash apostrophe")
        << QStringLiteral("{T}") << QStringList{"T=it\\'s \\x"} << QStringLiteral("it's \\x\r\n");
    QTest::newRow("first value wins")
        << QStringLiteral("{T}") << QStringList{"T=a", "T=b"} << QStringLiteral("a\r\n");
    QTest::newRow("nested children per parent")
        << QStringLiteral(
               "<!-- begin block p -->P{N}(<!-- begin block c -->{N}<!-- end block c -->)"
               "<!-- end block p -->")
        << QStringList{"b:p", "N=1", "b:c", "N=a", "e",   "b:c", "N=b", "e",
                       "e",   "b:p", "N=2", "b:c", "N=c", "e",   "e"}
        << QStringLiteral("P1(ab)P2(c)\r\n");
    QTest::newRow("second run of a block hides behind the first")
        << QStringLiteral(
               "<!-- begin block a -->{N}<!-- end block a -->|"
               "<!-- begin block b -->{N}<!-- end block b -->")
        << QStringList{"b:a", "N=1", "e", "b:b", "N=x", "e", "b:a", "N=2", "e"}
        << QStringLiteral("1|x\r\n");
    QTest::newRow("prefix numbering continues pages into page")
        << QStringLiteral(
               "<!-- begin block pages -->{N}<!-- end block pages -->|"
               "<!-- begin block page -->{N}<!-- end block page -->")
        << QStringList{"b:pages", "N=1", "e", "b:page", "N=2", "e"} << QStringLiteral("1|2\r\n");
    QTest::newRow("text after the last token of an unclosed empty block")
        << QStringLiteral("a<!-- begin block x -->b{V}c") << QStringList{"V=v"}
        << QStringLiteral("ac\r\n");
    QString nineBegins;
    QString nineEnds;
    QStringList nineScript;
    for (int i = 0; i < 9; ++i) {
        nineBegins += QStringLiteral("<!-- begin block b%1 -->").arg(i);
        nineEnds += QStringLiteral("<!-- end block b%1 -->").arg(8 - i);
        nineScript.append(QStringLiteral("b:b%1").arg(i));
    }
    nineScript.append(QStringLiteral("W=deep"));
    for (int i = 0; i < 9; ++i) {
        nineScript.append(QStringLiteral("e"));
    }
    QTest::newRow("nine nested blocks") << nineBegins + QStringLiteral("{W}") + nineEnds
                                        << nineScript << QStringLiteral("deep\r\n");
}

void TestQorTpl::rendering() {
    QFETCH(QString, tpl);
    QFETCH(QStringList, script);
    QFETCH(QString, expected);
    QCOMPARE(Render(tpl, script), expected);
}

void TestQorTpl::loadNormalisesLineEnds_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("LF") << QByteArray("a\nb\n") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("CR, no final end") << QByteArray("a\rb") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("CR LF, empty line")
        << QByteArray("a\r\n\r\nb") << QStringLiteral("a\r\n\r\nb\r\n");
    QTest::newRow("UTF-8 with BOM")
        << QByteArray("\xEF\xBB\xBF\xC3\xA9{X}") << QStringLiteral("\u00E91\r\n");
    QTest::newRow("UTF-16 LE") << QByteArray(
                                      "\xFF\xFE"
                                      "a\0{\0X\0}\0",
                                      10)
                               << QStringLiteral("a1\r\n");
    QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\0a\0{\0X\0}", 10)
                               << QStringLiteral("a1\r\n");
}

void TestQorTpl::loadNormalisesLineEnds() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    TTestSandbox sandbox;
    TQorTpl tpl;
    QVERIFY(tpl.LoadTpl(sandbox.WriteBytes(QStringLiteral("t.html"), bytes)));
    tpl.SetVar(QStringLiteral("X"), QStringLiteral("1"));
    tpl.MakeHtml();
    QCOMPARE(tpl.OutPutHtml(), expected);
}

void TestQorTpl::loadFailsForMissingFile() {
    TTestSandbox sandbox;
    TQorTpl tpl;
    QVERIFY(!tpl.LoadTpl(sandbox.Root() + QStringLiteral("missing.html")));
}

void TestQorTpl::malformedTemplatesRenderRestLiterally_data() {
    QTest::addColumn<QString>("tpl");
    QTest::addColumn<QString>("expected");
    QString deep;
    QString deepEnd;
    for (int i = 0; i < 10; ++i) {
        deep += QStringLiteral("<!-- begin block b%1 -->").arg(i);
        deepEnd += QStringLiteral("<!-- end block b%1 -->").arg(9 - i);
    }
    // Nine levels is the limit; the tenth begin marker and all after it come out as written.
    QTest::newRow("ten nested blocks")
        << QStringLiteral("x{V}") + deep + deepEnd
        << QStringLiteral("xv<!-- begin block b9 -->") + deepEnd + QStringLiteral("\r\n");
    QTest::newRow("end without begin") << QStringLiteral("a{V}<!-- end block q -->{V}b")
                                       << QStringLiteral("av<!-- end block q -->{V}b\r\n");
}

void TestQorTpl::malformedTemplatesRenderRestLiterally() {
    QFETCH(QString, tpl);
    QFETCH(QString, expected);
    QCOMPARE(Render(tpl, {QStringLiteral("V=v")}), expected);
}

void TestQorTpl::renderingAgainStartsFromEmptyOutput() {
    TQorTpl tpl;
    tpl.SetTpl(QStringLiteral("<!-- begin block r -->{N}<!-- end block r -->"));
    tpl.BeginBlock(QStringLiteral("r"));
    tpl.SetVar(QStringLiteral("N"), QStringLiteral("1"));
    tpl.EndBlock();
    tpl.EndBlock();  // one too many: ignored
    tpl.MakeHtml();
    tpl.MakeHtml();
    QCOMPARE(tpl.OutPutHtml(), QStringLiteral("1\r\n"));
}

QTEST_GUILESS_MAIN(TestQorTpl)
#include "tst_QorTpl.moc"
