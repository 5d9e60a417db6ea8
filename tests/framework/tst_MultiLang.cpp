#include <QTest>

#include <memory>

#include "TestSupport.h"
#include "framework/KrMultiLang.h"
#include "framework/LangKeys.h"

// Stand-ins for translated windows and their controls.
class TTestControl : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER FCaption)
    Q_PROPERTY(QString Hint MEMBER FHint)
    Q_PROPERTY(QStringList Items MEMBER FItems)
    Q_PROPERTY(int Width MEMBER FWidth)
public:
    using QObject::QObject;
    QString FCaption = QStringLiteral("design caption");
    QString FHint = QStringLiteral("design hint");
    QStringList FItems;
    int FWidth = 0;
};

class TfrmTest : public TTestControl {
    Q_OBJECT
public:
    using TTestControl::TTestControl;
};

// A list view whose "Columns" collection is reached through the adapter.
class TTestListView : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    QStringList ColumnCaptions{QStringLiteral("Name"), QStringLiteral("Size")};
};

class TTestColumnsAdapter : public IKrLangCollectionAdapter {
public:
    QStringList Collections(const QObject* component) const override {
        return qobject_cast<const TTestListView*>(component)
                   ? QStringList{QStringLiteral("Columns")}
                   : QStringList();
    }
    int ItemCount(const QObject* component, const QString&) const override {
        return int(qobject_cast<const TTestListView*>(component)->ColumnCaptions.size());
    }
    QStringList ItemProperties(const QObject*, const QString&) const override {
        return {QStringLiteral("Caption")};
    }
    void SetItemProperty(QObject* component, const QString&, int index, const QString&,
                         const QString& strValue) override {
        qobject_cast<TTestListView*>(component)->ColumnCaptions[index] = strValue;
    }
};

namespace {

const QString kTranslation = QStringLiteral(
    "[Info]\nTranslator=Jo\n"
    "[AppRes]\nAppName=Klangfix\nMsgBox.NoEnterKeyword=Bitte Suchbegriff eingeben.\n"
    "[LibRes]\nTfrmKrAboutForm.Caption=Über {appname}\n"
    "[TfrmTest]\nfrmTest.Caption=Testfenster\nbtnGo.Caption=Los\nbtnGo.objectName=renamed\n"
    "cbbRate.Items=64kps<BR>128kps<BR>192kps<BR>320kps<BR>\nbtnGo.Width=99\n"
    "lvDL.Columns[1].Caption=Größe\nlvDL.Columns[5].Caption=none\nbtnMissing.Caption=x\n"
    "[SkinRes]\nOk=Gut\nCancel=Abbruch\n");

}  // namespace

class TestMultiLang : public QObject {
    Q_OBJECT
private slots:
    void valueCodes_data();
    void valueCodes();
    void appNameFallback();
    void partialFileFallsBackToBuiltin();
    void applyTextsToObjectTree();
    void loadingReappliesRegisteredWindows();
    void sectionMergeKeepsExistingEntries();
    void damagedFilesLoad_data();
    void damagedFilesLoad();
    void germanTableIsComplete();
};

void TestMultiLang::valueCodes_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("line break") << "one<BR>two"
                                << "one\r\ntwo";
    QTest::newRow("lower-case line break") << "one<br>two"
                                           << "one\r\ntwo";
    QTest::newRow("kept outer spaces") << "<SP>padded<sp>"
                                       << " padded ";
    QTest::newRow("placeholders untouched") << "{1} of %d"
                                            << "{1} of %d";
}

void TestMultiLang::valueCodes() {
    QFETCH(QString, raw);
    QFETCH(QString, decoded);
    TKrMultiLangLan table;
    table.LoadFromString(u"[AppRes]\nText=" + raw + u'\n');
    QString value = QStringLiteral("unchanged");
    QVERIFY(table.GetProp(LangKeys::AppResSection, QString(), QStringLiteral("text"), value));
    QCOMPARE(value, decoded);
    QVERIFY(!table.GetProp(LangKeys::AppResSection, QString(), QStringLiteral("Other"), value));
    QCOMPARE(value, decoded);  // a miss leaves the value alone
}

void TestMultiLang::appNameFallback() {
    TKrMultiLangData data;
    data.SetDefaultData(BuiltinLanguageText());
    QString value;
    QVERIFY(data.GetProp(LangKeys::LibResSection, QString(),
                         QStringLiteral("TfrmKrAboutForm.Caption"), value));
    QCOMPARE(value, QStringLiteral("About Halvex"));

    data.SetCurrentData(kTranslation);
    QVERIFY(data.GetProp(LangKeys::LibResSection, QString(),
                         QStringLiteral("TfrmKrAboutForm.Caption"), value));
    QCOMPARE(value, QStringLiteral("Über Klangfix"));

    data.SetCurrentData(QStringLiteral("[AppRes]\nAppName={AppName} itself\n"));
    QVERIFY(data.GetProp(LangKeys::AppResSection, QString(), LangKeys::AppName, value));
    QCOMPARE(value, QStringLiteral("{AppName} itself"));  // never replaced inside AppName

    data.ClearCurrentAll();
    QCOMPARE(data.AppName(), QStringLiteral("Halvex"));
}

void TestMultiLang::partialFileFallsBackToBuiltin() {
    TKrMultiLangData data;
    data.SetDefaultData(BuiltinLanguageText());
    data.SetCurrentData(
        QStringLiteral("[AppRes]\nMsgBox.NoEnterKeyword=Bitte Suchbegriff eingeben.\n"));
    QString value;
    QVERIFY(data.GetProp(LangKeys::AppResSection, QString(), LangKeys::MsgNoEnterKeyword, value));
    QCOMPARE(value, QStringLiteral("Bitte Suchbegriff eingeben."));
    QVERIFY(data.GetProp(LangKeys::AppResSection, QString(), LangKeys::MsgTaskExists, value));
    QCOMPARE(value, QStringLiteral("This task is already in the Download List."));
    QVERIFY(
        !data.GetProp(LangKeys::AppResSection, QString(), QStringLiteral("No.Such.Text"), value));
}

void TestMultiLang::applyTextsToObjectTree() {
    TKrMultiLangData data;
    TTestColumnsAdapter adapter;
    data.AddCollectionAdapter(&adapter);
    data.SetDefaultData(BuiltinLanguageText());
    data.SetCurrentData(kTranslation);

    TfrmTest window;
    window.setObjectName(QStringLiteral("frmTest"));
    auto* panel = new QObject(&window);  // unnamed: skipped, but its children are reached
    auto* button = new TTestControl(panel);
    button->setObjectName(QStringLiteral("btnGo"));
    auto* rate = new TTestControl(&window);
    rate->setObjectName(QStringLiteral("cbbRate"));
    auto* list = new TTestListView(&window);
    list->setObjectName(QStringLiteral("lvDL"));

    TKrMultiLang translator(&window, &data);  // applies on registration
    QCOMPARE(window.FCaption, QStringLiteral("Testfenster"));
    QCOMPARE(window.FHint, QStringLiteral("design hint"));
    QCOMPARE(button->FCaption, QStringLiteral("Los"));
    QCOMPARE(button->objectName(), QStringLiteral("btnGo"));
    QCOMPARE(button->FWidth, 0);  // only text properties are translated
    QCOMPARE(rate->FItems, QStringList({"64kps", "128kps", "192kps", "320kps"}));
    QCOMPARE(list->ColumnCaptions, QStringList({"Name", "Größe"}));
}

void TestMultiLang::loadingReappliesRegisteredWindows() {
    TTestSandbox sandbox;
    const QString file = sandbox.WriteFile("lang/Deutsch.lan", kTranslation);
    TKrMultiLangData data;
    data.SetDefaultData(BuiltinLanguageText());
    TfrmTest window;
    window.setObjectName(QStringLiteral("frmTest"));
    auto translator = std::make_unique<TKrMultiLang>(&window, &data);
    QCOMPARE(window.FCaption, QStringLiteral("design caption"));
    QCOMPARE(data.Clients().size(), 1);

    QVERIFY(data.LoadCurrentFromFile(file));
    QCOMPARE(window.FCaption, QStringLiteral("Testfenster"));
    QCOMPARE(data.AppName(), QStringLiteral("Klangfix"));

    data.ClearCurrentAll();  // open windows keep their texts
    QCOMPARE(window.FCaption, QStringLiteral("Testfenster"));
    translator.reset();
    QVERIFY(data.Clients().isEmpty());
    QVERIFY(!data.LoadCurrentFromFile(sandbox.Root() + "lang/missing.lan"));
}

void TestMultiLang::sectionMergeKeepsExistingEntries() {
    TKrMultiLangData data;
    data.SetDefaultData(QStringLiteral("[SkinRes]\nOk=OK\nYes=Yes\n"));
    data.SetCurrentData(kTranslation);
    TNameValueList skinTexts({QStringLiteral("Cancel=Mine")});
    data.GetSectionStrings(LangKeys::SkinResSection, skinTexts);
    QCOMPARE(skinTexts.Value("Cancel"), QStringLiteral("Mine"));
    QCOMPARE(skinTexts.Value("Ok"), QStringLiteral("Gut"));
    QCOMPARE(skinTexts.Value("Yes"), QStringLiteral("Yes"));
}

void TestMultiLang::damagedFilesLoad_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("truncated") << QByteArray("[AppRes]\nStatus.Ready=Prêt\nStatus.Fai") << "Prêt";
    QTest::newRow("legacy 8-bit text") << QByteArray("[AppRes]\nStatus.Ready=Pr\xEAt\n") << "Prêt";
    QTest::newRow("binary around it")
        << QByteArray("\x7F\x45\x4C\x46\x02\x01\n[AppRes]\nStatus.Ready=Prêt\n\xFF\xFF\xFF")
        << "Prêt";
}

void TestMultiLang::damagedFilesLoad() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    TTestSandbox sandbox;
    TKrMultiLangData data;
    data.SetDefaultData(BuiltinLanguageText());
    QVERIFY(data.LoadCurrentFromFile(sandbox.WriteBytes("lang/bad.lan", bytes)));
    QString value;
    QVERIFY(data.GetProp(LangKeys::AppResSection, QString(), LangKeys::StatusReady, value));
    QCOMPARE(value, expected);
    QVERIFY(data.GetProp(LangKeys::AppResSection, QString(), LangKeys::StatusFinished, value));
    QCOMPARE(value, QStringLiteral("Finished"));
}

void TestMultiLang::germanTableIsComplete() {
    TKrMultiLangLan builtin;
    builtin.LoadFromString(BuiltinLanguageText());
    TKrMultiLangLan german;
    QVERIFY(german.LoadFromFile(QStringLiteral(HALVEX_SOURCE_DIR "/data/lang/German.lan")));
    for (const QString& section :
         {QString(LangKeys::AppResSection), QString(LangKeys::LibResSection)}) {
        TNameValueList english;
        builtin.GetSectionStrings(section, english);
        QVERIFY(english.Count() > 10);
        for (qsizetype i = 0; i < english.Count(); ++i) {
            QString value;
            QVERIFY2(german.GetProp(section, QString(), english.Name(i), value) && !value.isEmpty(),
                     qPrintable(section + u'/' + english.Name(i)));
        }
    }
}

QTEST_GUILESS_MAIN(TestMultiLang)
#include "tst_MultiLang.moc"
