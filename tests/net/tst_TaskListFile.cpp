#include <QTest>

#include "TestSupport.h"
#include "framework/KrIniFile.h"
#include "net/CommaText.h"
#include "net/MultiDownloader.h"

using S = EDownloadState;

class TestTaskListFile : public QObject {
    Q_OBJECT

private:
    TTestSandbox FSandbox;

    QString ListFile() const {
        return FSandbox.UserDataHome() + QStringLiteral("downloadlist.sav");
    }

    static void AppendTasks(TMultiDownloader& md, int iCount, const QString& strPrefix) {
        for (int i = 0; i < iCount; ++i) {
            QVERIFY(
                md.Append(QStringLiteral("http://service.example/dl?v=%1%2").arg(strPrefix).arg(i),
                          QStringLiteral("/music/tmp/%1%2.mp3.mtd").arg(strPrefix).arg(i), true,
                          ERedirectTheme::KYouTube, QString()));
        }
    }

private slots:
    void commaText_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringList{"a=1", "b=2"} << "a=1,b=2";
        QTest::newRow("space and comma quoted")
            << QStringList{"Title=Hello, World", "Id=x"} << "\"Title=Hello, World\",Id=x";
        QTest::newRow("inner quotes doubled")
            << QStringList{"T=say \"hi\""} << "\"T=say \"\"hi\"\"\"";
        QTest::newRow("one empty line") << QStringList{QString()} << "\"\"";
        QTest::newRow("empty lines inside") << QStringList{"a", "", "b"} << "a,,b";
        QTest::newRow("no lines") << QStringList{} << "";
        QTest::newRow("tab") << QStringList{"a\tb"} << "\"a\tb\"";
    }
    void commaText() {
        QFETCH(QStringList, lines);
        QFETCH(QString, text);
        QCOMPARE(CommaText::Join(lines), text);
        QCOMPARE(CommaText::Split(text), lines);
    }

    void commaTextSplitsAtUnquotedBlanks() {
        QCOMPARE(CommaText::Split(QStringLiteral("a b, c")),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    }

    // Comments as the song pipeline stores them come back line for line.
    void roundTrip_data() {
        QTest::addColumn<QStringList>("comment");
        const QString strLong(5000, u'x');
        QTest::newRow("song fields")
            << QStringList{"Action=Down", "Id=abc", "Title=Hello, World (Live)",
                           "Artist=A \"quoted\" name", "Bitrate=192"};
        // A single quoted line must not lose its quotes and fall apart at its comma.
        QTest::newRow("one line with a comma") << QStringList{"Title=Hello, World"};
        QTest::newRow("one empty line") << QStringList{QString()};
        QTest::newRow("no lines") << QStringList{};
        QTest::newRow("beyond 2047 characters") << QStringList{"Title=" + strLong, "Id=1"};
        QTest::newRow("non-latin") << QStringList{QStringLiteral("Title=\u6771\u4EAC \u266B")};
    }
    void roundTrip() {
        QFETCH(QStringList, comment);
        {
            TMultiDownloader md;
            QVERIFY(md.Append(QStringLiteral("  http://service.example/dl?v=rt  "),
                              QStringLiteral("/music/tmp/Round Trip.mp3.mtd"), true,
                              ERedirectTheme::KDirect, QStringLiteral("http://service.example/x")));
            TDownloadItem* item = md.DownloadList()->Items(0);
            item->SetComment(comment);
            item->SetCaption(QStringLiteral("Caption text"));
            // The current plan and address are not what is kept.
            item->SetURL(QStringLiteral("http://stream.example/now"));
            item->SetRedirectOptions(TRedirOptions{false, ERedirectTheme::KCustom, QString()});
            QVERIFY(md.DownloadList()->SaveToFile(ListFile()));
        }
        TMultiDownloader md;
        md.DownloadList()->LoadFromFile(ListFile());
        QCOMPARE(md.DownloadList()->ItemCount(), 1);
        const TDownloadItem* item = md.DownloadList()->Items(0);
        QCOMPARE(item->Comment(), comment);
        QCOMPARE(item->URL(), QStringLiteral("http://service.example/dl?v=rt"));
        QCOMPARE(item->FileName(), QStringLiteral("/music/tmp/Round Trip.mp3.mtd"));
        QCOMPARE(item->Caption(), QStringLiteral("Caption text"));
        const TRedirOptions expected{true, ERedirectTheme::KDirect,
                                     QStringLiteral("http://service.example/x")};
        QCOMPARE(item->RedirectOptions(), expected);
        QCOMPARE(item->OrgRedirectOptions(), expected);
        QCOMPARE(item->DownloadState(), S::KReady);
    }

    void layoutAndKeyOrder() {
        TMultiDownloader md;
        QVERIFY(md.Append(QStringLiteral("http://service.example/dl?v=k"),
                          QStringLiteral("/music/tmp/K.mp3.mtd"), true, ERedirectTheme::KYouTube,
                          QString()));
        md.DownloadList()->Items(0)->SetComment(
            {QStringLiteral("Title=K, L"), QStringLiteral("Id=k")});
        QVERIFY(md.DownloadList()->SaveToFile(ListFile()));
        QCOMPARE(QString::fromUtf8(ReadAll(ListFile())),
                 QStringLiteral("[Global]\r\nItemCount=1\r\n\r\n"
                                "[0]\r\n"
                                "URL=http://service.example/dl?v=k\r\n"
                                "FileName=/music/tmp/K.mp3.mtd\r\n"
                                "Caption=\r\n"
                                "Comment=\"Title=K, L\",Id=k\r\n"
                                "State=1\r\n"
                                "INeedRedirect=1\r\n"
                                "RedirectTheme=1\r\n"
                                "RedirectURL=\r\n\r\n"));
    }

    void states_data() {
        QTest::addColumn<int>("saved");
        QTest::addColumn<int>("restored");
        QTest::addColumn<int>("percent");
        QTest::newRow("finished") << int(S::KFinished) << int(S::KFinished) << 100;
        QTest::newRow("failed") << int(S::KFailed) << int(S::KReady) << 0;
        QTest::newRow("downloading") << int(S::KDownloading) << int(S::KReady) << 0;
        QTest::newRow("ready") << int(S::KReady) << int(S::KReady) << 0;
    }
    void states() {
        QFETCH(int, saved);
        QFETCH(int, restored);
        QFETCH(int, percent);
        {
            TMultiDownloader md;
            AppendTasks(md, 1, QStringLiteral("state"));
            md.DownloadList()->Items(0)->RestoreState(S(saved));
            QVERIFY(md.DownloadList()->SaveToFile(ListFile()));
        }
        TMultiDownloader md;
        md.DownloadList()->LoadFromFile(ListFile());
        QCOMPARE(int(md.DownloadList()->Items(0)->DownloadState()), restored);
        QCOMPARE(md.DownloadList()->Items(0)->ProgressPercent(), percent);
    }

    void shorterSaveReplacesLongerOne() {
        {
            TMultiDownloader md;
            AppendTasks(md, 5, QStringLiteral("long"));
            QVERIFY(md.DownloadList()->SaveToFile(ListFile()));
        }
        {
            TMultiDownloader md;
            AppendTasks(md, 3, QStringLiteral("short"));
            QVERIFY(md.DownloadList()->SaveToFile(ListFile()));
        }
        TKrIniFile ini;
        QVERIFY(ini.LoadFromFile(ListFile()));
        QCOMPARE(ini.ReadString(QStringLiteral("Global"), QStringLiteral("ItemCount")),
                 QStringLiteral("3"));
        TMultiDownloader md;
        md.DownloadList()->LoadFromFile(ListFile());
        QCOMPARE(md.DownloadList()->ItemCount(), 3);
        QCOMPARE(md.DownloadList()->Items(2)->FileName(),
                 QStringLiteral("/music/tmp/short2.mp3.mtd"));
    }

    void loadingTwiceAddsNoDuplicates() {
        {
            TMultiDownloader md;
            AppendTasks(md, 2, QStringLiteral("dup"));
            QVERIFY(md.DownloadList()->SaveToFile(ListFile()));
        }
        TMultiDownloader md;
        md.DownloadList()->LoadFromFile(ListFile());
        md.DownloadList()->LoadFromFile(ListFile());
        QCOMPARE(md.DownloadList()->ItemCount(), 2);
    }

    // A file written by hand or by an older version: numbers in other forms, missing keys and a
    // missing section.
    void readsLenientValues() {
        TMultiDownloader md;
        md.DownloadList()->LoadFromFile(
            QStringLiteral(HALVEX_TEST_DATA_DIR "/net/downloadlist.sav"));
        TDownloadList* list = md.DownloadList();
        QCOMPARE(list->ItemCount(), 3);
        const TDownloadItem* first = list->Items(0);
        QCOMPARE(first->DownloadState(), S::KFinished);
        QCOMPARE(first->Comment(),
                 (QStringList{"Action=Down", "Title=Hello, World", "Artist=Someone"}));
        QCOMPARE(first->RedirectOptions(), (TRedirOptions{true, ERedirectTheme::KYouTube, {}}));
        const TDownloadItem* second = list->Items(1);
        QCOMPARE(second->DownloadState(), S::KReady);
        QCOMPARE(second->RedirectOptions(),
                 (TRedirOptions{false, ERedirectTheme::KDirect,
                                QStringLiteral("http://service.example/direct")}));
        QCOMPARE(second->Comment(), QStringList());
        // The missing section gives an empty task, which fails when started.
        TDownloadItem* third = list->Items(2);
        QVERIFY(third->URL().isEmpty());
        QCOMPARE(third->DownloadState(), S::KReady);
        md.Resume();
        QCOMPARE(third->DownloadState(), S::KFailed);
        md.StopAll();
    }

    void missingFileAddsNothing() {
        TMultiDownloader md;
        md.DownloadList()->LoadFromFile(FSandbox.Root() + QStringLiteral("absent.sav"));
        QCOMPARE(md.DownloadList()->ItemCount(), 0);
    }

    void unwritableFileReportsFailure() {
        const QString strBlocker =
            FSandbox.WriteFile(QStringLiteral("blocker"), QStringLiteral("x"));
        TMultiDownloader md;
        AppendTasks(md, 1, QStringLiteral("w"));
        QVERIFY(!md.DownloadList()->SaveToFile(strBlocker + QStringLiteral("/downloadlist.sav")));
        QCOMPARE(ReadAll(strBlocker), QByteArray("x"));
    }
};

QTEST_GUILESS_MAIN(TestTaskListFile)
#include "tst_TaskListFile.moc"
