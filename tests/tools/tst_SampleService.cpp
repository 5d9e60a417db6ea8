// The sample catalogue service as a real process on a free port, read with the shipped
// const.dat: its patterns must cut the service's pages as the program cuts them, and every
// resolver path must end in a stream that FFmpeg decodes.
#include <httplib.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cmath>
#include <thread>
#include <vector>

#include "PcrePattern.h"
#include "ResolverSteps.h"
#include "framework/KrIniFile.h"
#include "framework/KrUtils.h"
#include "framework/NameValueList.h"

namespace {

const QString kShippedBase = QStringLiteral("http://127.0.0.1:47815");
const QString kSection = QStringLiteral("setting");

struct THttpAnswer {
    int Status = -1;
    QByteArray Body;
    QByteArray ContentType;
    QByteArray ContentLength;
    QByteArray ContentRange;
    QByteArray AllowOrigin;

    QString Text() const { return QString::fromUtf8(Body); }
};

QString ServiceProgram() {
    return QStringLiteral(HALVEX_PROGRAM_DIR "/halvex-sample-service");
}

// "m:ss" as seconds; -1 when it is not that form.
int DurationSeconds(const QString& strDuration) {
    static const QRegularExpression form(QStringLiteral("^(\\d+):(\\d\\d)$"));
    const QRegularExpressionMatch match = form.match(strDuration);
    return match.hasMatch() ? match.captured(1).toInt() * 60 + match.captured(2).toInt() : -1;
}

QString HtmlUnescape(QString strText) {
    return strText.replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&#39;"), QStringLiteral("'"))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

QString WithoutTags(QString strText) {
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return strText.remove(tag);
}

QString FormDecoded(const QString& strText) {
    QString strResult;
    return KrUtils::FormDecode(strText, strResult) ? strResult : QStringLiteral("<undecodable>");
}

// name=value pairs of a query-form text ("a=1&b=2"), decoded.
TNameValueList QueryValues(const QString& strText) {
    TNameValueList values;
    KrUtils::ParseLinkParams(strText, values, true);
    return values;
}

}  // namespace

class TestSampleService : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void shippedConfiguration();
    void searchPages_data();
    void searchPages();
    void charts_data();
    void charts();
    void chartsListEverySong();
    void hotSongs();
    void welcomeInformation();
    void resolverMethods_data();
    void resolverMethods();
    void streamTableHost_data();
    void streamTableHost();
    void streamAnswer();
    void concurrentFirstRequests();
    void streamRefusals_data();
    void streamRefusals();
    void oddPageNumbers_data();
    void oddPageNumbers();
    void unknownAddresses_data();
    void unknownAddresses();
    void unknownVideoInformation();
    void updateAnswer_data();
    void updateAnswer();
    void commandLine_data();
    void commandLine();

private:
    QString Setting(const QString& strName) const { return FConst.ReadString(kSection, strName); }
    // A shipped address, pointed at the service under test.
    QString Local(const QString& strShippedUrl) const {
        return QString(strShippedUrl).replace(kShippedBase, FBase);
    }
    THttpAnswer Fetch(const QString& strUrl, const httplib::Headers& headers = {}) const;
    // The songs of one search page, cut with the shipped patterns.
    QList<TNameValueList> SearchEntries(const QString& strPage) const;
    QString FirstSongId(const QString& strKeyword) const;
    TNameValueList VideoInformation(const QString& strId) const;
    // codec_name, nb_read_frames and duration of the media, by ffprobe decoding it whole.
    TNameValueList Probe(const QByteArray& media) const;

    TKrIniFile FConst;
    QProcess FService;
    QString FBase;
    quint16 FPort = 0;
    QTemporaryDir FTemp;
};

void TestSampleService::initTestCase() {
    QVERIFY(FConst.LoadFromFile(QStringLiteral(HALVEX_SOURCE_DIR "/data/const.dat")));
    QVERIFY(FTemp.isValid());

    FService.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FService.start(ServiceProgram(), {QStringLiteral("--port"), QStringLiteral("0"),
                                      QStringLiteral("--modify"), QStringLiteral("Update.Days=3")});
    QVERIFY2(FService.waitForStarted(), qPrintable(FService.errorString()));
    static const QRegularExpression listening(QStringLiteral("(http://127\\.0\\.0\\.1:(\\d+))/"));
    QRegularExpressionMatch match;
    while (!match.hasMatch()) {
        if (!FService.canReadLine()) {
            QVERIFY2(FService.waitForReadyRead(30000), "the service printed no address");
        }
        match = listening.match(QString::fromUtf8(FService.readLine()));
    }
    FBase = match.captured(1);
    FPort = quint16(match.captured(2).toUInt());
    QVERIFY(FPort != 0);
}

void TestSampleService::cleanupTestCase() {
    if (FService.state() == QProcess::NotRunning) {
        return;
    }
    FService.terminate();
    QVERIFY(FService.waitForFinished(30000));
    // A clean exit also means the sanitizers found nothing to report at its end.
    QCOMPARE(FService.exitStatus(), QProcess::NormalExit);
    QCOMPARE(FService.exitCode(), 0);
}

THttpAnswer TestSampleService::Fetch(const QString& strUrl, const httplib::Headers& headers) const {
    THttpAnswer answer;
    if (!strUrl.startsWith(FBase + u'/')) {
        qWarning() << "not an address of the service under test:" << strUrl;
        return answer;
    }
    httplib::Client client("127.0.0.1", FPort);
    // Addresses go out exactly as the program builds them ("+" stays a form-encoded space).
    client.set_url_encode(false);
    client.set_read_timeout(std::chrono::seconds(60));
    const std::string path = strUrl.sliced(FBase.size()).toStdString();
    const httplib::Result result = client.Get(path, headers);
    if (result) {
        answer.Status = result->status;
        answer.Body = QByteArray::fromStdString(result->body);
        answer.ContentType = QByteArray::fromStdString(result->get_header_value("Content-Type"));
        answer.ContentLength =
            QByteArray::fromStdString(result->get_header_value("Content-Length"));
        answer.ContentRange = QByteArray::fromStdString(result->get_header_value("Content-Range"));
        answer.AllowOrigin =
            QByteArray::fromStdString(result->get_header_value("Access-Control-Allow-Origin"));
    }
    return answer;
}

QList<TNameValueList> TestSampleService::SearchEntries(const QString& strPage) const {
    using EUse = TPcrePattern::EUse;
    const TPcrePattern entry(Setting(QStringLiteral("Pattern.entry")), EUse::KEntries);
    const TPcrePattern id(Setting(QStringLiteral("Pattern.id")), EUse::KFields);
    const TPcrePattern title(Setting(QStringLiteral("Pattern.title")), EUse::KFields);
    const TPcrePattern duration(Setting(QStringLiteral("Pattern.duration")), EUse::KFields);
    const TPcrePattern views(Setting(QStringLiteral("Pattern.popularity2")), EUse::KFields);
    QList<TNameValueList> entries;
    for (const QString& strEntry : entry.AllFirstGroups(strPage)) {
        TNameValueList fields;
        fields.SetValue(QStringLiteral("ID"), id.FirstGroup(strEntry).value_or(QString()));
        fields.SetValue(QStringLiteral("TITLE"),
                        HtmlUnescape(title.FirstGroup(strEntry).value_or(QString())));
        fields.SetValue(QStringLiteral("DURATION"),
                        duration.FirstGroup(strEntry).value_or(QString()));
        fields.SetValue(QStringLiteral("VIEWS"), views.FirstGroup(strEntry).value_or(QString()));
        entries.append(fields);
    }
    return entries;
}

QString TestSampleService::FirstSongId(const QString& strKeyword) const {
    const THttpAnswer page = Fetch(Local(Setting(QStringLiteral("SearchKeyURL"))) +
                                   KrUtils::FormEncode(strKeyword) + QStringLiteral("&page=1"));
    const QList<TNameValueList> entries = SearchEntries(page.Text());
    return entries.isEmpty() ? QString() : entries.first().Value(QStringLiteral("ID"));
}

TNameValueList TestSampleService::VideoInformation(const QString& strId) const {
    return QueryValues(Fetch(Local(Setting(QStringLiteral("GetInfoURL"))) + strId).Text());
}

TNameValueList TestSampleService::Probe(const QByteArray& media) const {
    const QString strPath = FTemp.filePath(QStringLiteral("probe.media"));
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(media) < 0) {
        return {};
    }
    file.close();
    QProcess probe;
    probe.start(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
         QStringLiteral("-select_streams"), QStringLiteral("a:0"), QStringLiteral("-show_entries"),
         QStringLiteral("stream=codec_name,nb_read_frames:format=duration"), QStringLiteral("-of"),
         QStringLiteral("default=noprint_wrappers=1"), strPath});
    if (!probe.waitForFinished(60000) || probe.exitCode() != 0) {
        return {};
    }
    return TNameValueList(QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n'));
}

void TestSampleService::shippedConfiguration() {
    // Every key the program reads from the fixed file for searching, browsing and resolving; an
    // absent one reads as empty text and silently breaks its feature.
    const QStringList required = {
        QStringLiteral("App.Name"),         QStringLiteral("App.Ver"),
        QStringLiteral("App.GUID"),         QStringLiteral("App.ID"),
        QStringLiteral("App.ConfigPath"),   QStringLiteral("App.PID"),
        QStringLiteral("App.MagicWord"),    QStringLiteral("App.RegPath"),
        QStringLiteral("URL.home"),         QStringLiteral("URL.help"),
        QStringLiteral("URL.support"),      QStringLiteral("URL.eula"),
        QStringLiteral("URL.privary"),      QStringLiteral("URL.Update"),
        QStringLiteral("URL.HomeURL"),      QStringLiteral("URL.InfoURL"),
        QStringLiteral("URL.Redirect"),     QStringLiteral("Update.Days"),
        QStringLiteral("SearchKeyURL"),     QStringLiteral("DownloadURL"),
        QStringLiteral("Pattern.entry"),    QStringLiteral("Pattern.pages"),
        QStringLiteral("Pattern.id"),       QStringLiteral("Pattern.title"),
        QStringLiteral("Pattern.duration"), QStringLiteral("Pattern.popularity2"),
        QStringLiteral("categories_count"), QStringLiteral("c_pages"),
        QStringLiteral("c_pagetitle"),      QStringLiteral("c_pattern"),
        QStringLiteral("c_pattern_entry"),  QStringLiteral("c_pattern_title"),
        QStringLiteral("c_pattern_artist"), QStringLiteral("WatchURL"),
        QStringLiteral("WatchPattern"),     QStringLiteral("WatchPattern2"),
        QStringLiteral("GetInfoURL"),       QStringLiteral("FLVGetVideoURI"),
        QStringLiteral("FLVSplitStr"),      QStringLiteral("FLVNeedDecode"),
        QStringLiteral("FLVURLFormat"),     QStringLiteral("GetMethod")};
    for (const QString& strKey : required) {
        QVERIFY2(!Setting(strKey).isEmpty(), qPrintable(strKey + QStringLiteral(" is missing")));
    }
    const QStringList names = FConst.SectionNames(kSection);
    for (const QString& strName : names) {
        const QString strValue = Setting(strName);
        if (strValue.startsWith(QStringLiteral("http"), Qt::CaseInsensitive)) {
            QVERIFY2(strValue.startsWith(kShippedBase + u'/'), qPrintable(strName));
        }
    }
    const int categories = Setting(QStringLiteral("categories_count")).toInt();
    QVERIFY(categories > 0);
    for (int i = 0; i < categories; ++i) {
        QVERIFY(!Setting(QStringLiteral("c_%1_name").arg(i)).isEmpty());
        QVERIFY(!Setting(QStringLiteral("c_%1_url").arg(i)).isEmpty());
    }
    const int method = Setting(QStringLiteral("GetMethod")).toInt();
    QVERIFY(method >= 0 && method <= 2);
    // A download task takes the video identifier after the first "=" of its address.
    QCOMPARE(Setting(QStringLiteral("DownloadURL")).count(u'='), 1);
    QVERIFY(Setting(QStringLiteral("DownloadURL")).endsWith(u'='));

    using EUse = TPcrePattern::EUse;
    const QList<QPair<QString, EUse>> patterns = {
        {QStringLiteral("Pattern.entry"), EUse::KEntries},
        {QStringLiteral("Pattern.pages"), EUse::KEntries},
        {QStringLiteral("c_pattern_entry"), EUse::KEntries},
        {QStringLiteral("Pattern.id"), EUse::KFields},
        {QStringLiteral("Pattern.title"), EUse::KFields},
        {QStringLiteral("Pattern.duration"), EUse::KFields},
        {QStringLiteral("Pattern.popularity2"), EUse::KFields},
        {QStringLiteral("c_pattern_title"), EUse::KFields},
        {QStringLiteral("c_pattern_artist"), EUse::KFields},
        {QStringLiteral("WatchPattern"), EUse::KResolver},
        {QStringLiteral("WatchPattern2"), EUse::KResolver}};
    for (const auto& [strKey, use] : patterns) {
        const TPcrePattern pattern(Setting(strKey), use);
        QVERIFY2(pattern.IsValid(), qPrintable(strKey + u' ' + pattern.Error()));
    }
}

void TestSampleService::searchPages_data() {
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("songs");
    QTest::addColumn<QStringList>("pageLinks");
    QTest::addColumn<QString>("firstTitle");

    const QStringList two = {QStringLiteral("1"), QStringLiteral("2")};
    QTest::newRow("first of two pages") << "sessions" << 1 << 20 << two << "東京 Night Drive";
    QTest::newRow("last page") << "sessions" << 2 << 4 << two << "So What, Then?";
    QTest::newRow("page 0 is the first") << "Sessions" << 0 << 20 << two << "東京 Night Drive";
    QTest::newRow("beyond the last page") << "sessions" << 7 << 0 << two << "";
    QTest::newRow("all words, any case")
        << "HARBOUR sess" << 1 << 9 << QStringList() << "Samba da Lua";
    QTest::newRow("word beginnings only") << "ight" << 1 << 0 << QStringList() << "";
    QTest::newRow("UTF-8 keyword, bold match")
        << "déjà" << 1 << 1 << QStringList() << "<b>Déjà</b> Vu Again";
    QTest::newRow("accents forgiven")
        << "deja VU" << 1 << 1 << QStringList() << "<b>Déjà</b> <b>Vu</b> Again";
    QTest::newRow("apostrophes forgiven")
        << "dont look" << 1 << 1 << QStringList() << "<b>Don't</b> <b>Look</b> Down";
    QTest::newRow("CJK title") << "東京" << 1 << 1 << QStringList() << "<b>東京</b> Night Drive";
    QTest::newRow("ampersand in title")
        << "rhyme & reason" << 1 << 1 << QStringList() << "<b>Rhyme</b> & <b>Reason</b>";
    QTest::newRow("quotes in title")
        << "real ones" << 1 << 1 << QStringList() << "The \"<b>Real</b>\" <b>Ones</b>";
    QTest::newRow("markup in keyword") << "<script>%2" << 1 << 0 << QStringList() << "";
}

void TestSampleService::searchPages() {
    QFETCH(QString, keyword);
    QFETCH(int, page);
    QFETCH(int, songs);
    QFETCH(QStringList, pageLinks);
    QFETCH(QString, firstTitle);

    // The request exactly as the program builds it.
    const THttpAnswer answer =
        Fetch(Local(Setting(QStringLiteral("SearchKeyURL"))) + KrUtils::FormEncode(keyword) +
              QStringLiteral("&page=") + QString::number(page));
    QCOMPARE(answer.Status, 200);
    QVERIFY(answer.ContentType.startsWith("text/html"));
    QVERIFY(!answer.Text().contains(QStringLiteral("<script>%2")));

    const QList<TNameValueList> entries = SearchEntries(answer.Text());
    QCOMPARE(entries.size(), songs);
    const TPcrePattern pages(Setting(QStringLiteral("Pattern.pages")),
                             TPcrePattern::EUse::KEntries);
    QCOMPARE(pages.AllFirstGroups(answer.Text()), pageLinks);
    if (songs > 0) {
        QCOMPARE(entries.first().Value(QStringLiteral("TITLE")), firstTitle);
    }

    // Each entry's fields agree with what the service says about that video elsewhere.
    for (const TNameValueList& entry : entries) {
        const QString strId = entry.Value(QStringLiteral("ID"));
        QVERIFY(!strId.isEmpty());
        const TNameValueList info = VideoInformation(strId);
        QCOMPARE(info.Value(QStringLiteral("status")), QStringLiteral("ok"));
        QCOMPARE(WithoutTags(entry.Value(QStringLiteral("TITLE"))),
                 info.Value(QStringLiteral("title")));
        QCOMPARE(DurationSeconds(entry.Value(QStringLiteral("DURATION"))),
                 info.Value(QStringLiteral("length_seconds")).toInt());
        const QString strViews = entry.Value(QStringLiteral("VIEWS"));
        if (!strViews.isEmpty()) {
            QCOMPARE(QString(strViews).remove(u',').remove(u' '),
                     info.Value(QStringLiteral("view_count")));
        }
    }
}

void TestSampleService::charts_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("hasSongWithoutArtist");
    for (int i = 0; i < Setting(QStringLiteral("categories_count")).toInt(); ++i) {
        const QString strName = Setting(QStringLiteral("c_%1_name").arg(i));
        QTest::newRow(qPrintable(strName))
            << Setting(QStringLiteral("c_%1_url").arg(i)) << (strName == u"Folk/Country");
    }
}

void TestSampleService::charts() {
    QFETCH(QString, address);
    QFETCH(bool, hasSongWithoutArtist);

    using EUse = TPcrePattern::EUse;
    const TPcrePattern entry(Setting(QStringLiteral("c_pattern_entry")), EUse::KEntries);
    const TPcrePattern title(Setting(QStringLiteral("c_pattern_title")), EUse::KFields);
    const TPcrePattern artist(Setting(QStringLiteral("c_pattern_artist")), EUse::KFields);
    const int pages = Setting(QStringLiteral("c_pages")).toInt();
    QVERIFY(pages >= 2);

    bool bSawNoArtist = false;
    for (int page = 1; page <= pages + 1; ++page) {
        const THttpAnswer answer = Fetch(Local(address) + QStringLiteral("&p=%1").arg(page));
        QCOMPARE(answer.Status, 200);
        const QStringList entries = entry.AllFirstGroups(answer.Text());
        // Every chart page starts with the hidden template row, which the program skips.
        QVERIFY(!entries.isEmpty());
        QCOMPARE(title.FirstGroup(entries.first()).value_or(QString()),
                 QStringLiteral("__title__"));
        const int songs = int(entries.size()) - 1;
        QCOMPARE(songs, page == 1 ? 5 : page == 2 ? 1 : 0);
        for (const QString& strEntry : entries.sliced(1)) {
            const std::optional<QString> songTitle = title.FirstGroup(strEntry);
            const std::optional<QString> songArtist = artist.FirstGroup(strEntry);
            QVERIFY(songTitle && !songTitle->isEmpty());
            QVERIFY(songArtist && !songArtist->isEmpty());
            bSawNoArtist = bSawNoArtist || *songArtist == u" ";
        }
    }
    QCOMPARE(bSawNoArtist, hasSongWithoutArtist);
}

void TestSampleService::chartsListEverySong() {
    using EUse = TPcrePattern::EUse;
    const TPcrePattern entry(Setting(QStringLiteral("c_pattern_entry")), EUse::KEntries);
    const TPcrePattern title(Setting(QStringLiteral("c_pattern_title")), EUse::KFields);
    const TPcrePattern artist(Setting(QStringLiteral("c_pattern_artist")), EUse::KFields);
    QSet<QString> keywords;
    for (int i = 0; i < Setting(QStringLiteral("categories_count")).toInt(); ++i) {
        for (int page = 1; page <= Setting(QStringLiteral("c_pages")).toInt(); ++page) {
            const THttpAnswer answer = Fetch(Local(Setting(QStringLiteral("c_%1_url").arg(i))) +
                                             QStringLiteral("&p=%1").arg(page));
            for (const QString& strEntry : entry.AllFirstGroups(answer.Text()).sliced(1)) {
                keywords.insert(HtmlUnescape(title.FirstGroup(strEntry).value_or(QString())) +
                                u'|' +
                                HtmlUnescape(artist.FirstGroup(strEntry).value_or(QString())));
            }
        }
    }
    // The charts together list the whole catalogue, each song once.
    QCOMPARE(keywords.size(), 48);
    QVERIFY(keywords.contains(QStringLiteral("Rhyme & Reason|MC Verse")));
    QVERIFY(keywords.contains(QStringLiteral("The \"Real\" Ones|Lyric Lab")));
    QVERIFY(keywords.contains(QStringLiteral("Greensleeves (Traditional)| ")));
}

void TestSampleService::hotSongs() {
    const THttpAnswer answer = Fetch(Local(Setting(QStringLiteral("URL.HomeURL"))));
    QCOMPARE(answer.Status, 200);
    static const QRegularExpression playLink(QStringLiteral("href=\"(qwz:ACTION=Play[^\"]*)\""));
    int links = 0;
    for (const QRegularExpressionMatch& match : playLink.globalMatch(answer.Text())) {
        ++links;
        // The link as the page's browser hands it over, read as the program reads it.
        TNameValueList params;
        KrUtils::ParseLinkParams(HtmlUnescape(match.captured(1)), params, true);
        const TNameValueList info = VideoInformation(params.Value(QStringLiteral("ID")));
        QCOMPARE(info.Value(QStringLiteral("status")), QStringLiteral("ok"));
        QCOMPARE(FormDecoded(params.Value(QStringLiteral("TITLE"))),
                 info.Value(QStringLiteral("title")));
        QCOMPARE(params.Value(QStringLiteral("LONG")),
                 info.Value(QStringLiteral("length_seconds")));
    }
    QCOMPARE(links, 10);
    QVERIFY(answer.Text().contains(QStringLiteral("qwz:ACTION=Download&amp;ID=")));
    QVERIFY(answer.Text().contains(QStringLiteral("qwz:ACTION=Search&amp;KEYWORD=")));
}

void TestSampleService::welcomeInformation() {
    // The welcome page is a local file that shows this page; it must be allowed to read it.
    const THttpAnswer answer = Fetch(Local(Setting(QStringLiteral("URL.InfoURL"))));
    QCOMPARE(answer.Status, 200);
    QCOMPARE(answer.AllowOrigin, QByteArray("*"));
    QVERIFY(answer.Text().contains(
        QStringLiteral("target=\"_top\" href=\"qwz:ACTION=Search&amp;KEYWORD=sessions\"")));
}

void TestSampleService::resolverMethods_data() {
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("codec");
    QTest::addColumn<QByteArray>("mimeType");

    QTest::newRow("information answer") << 0 << "東京"
                                        << "aac" << QByteArray("audio/mp4");
    QTest::newRow("watch page arguments") << 1 << "mountain echo"
                                          << "aac" << QByteArray("audio/mp4");
    QTest::newRow("watch page stream table") << 2 << "island breeze"
                                             << "opus" << QByteArray("audio/webm");
}

void TestSampleService::resolverMethods() {
    QFETCH(int, method);
    QFETCH(QString, keyword);
    QFETCH(QString, codec);
    QFETCH(QByteArray, mimeType);

    const QString strId = FirstSongId(keyword);
    QVERIFY(!strId.isEmpty());
    QString strStream;
    if (method == 0) {
        const QString strToken = ResolverSteps::InfoToken(
            Fetch(Local(Setting(QStringLiteral("GetInfoURL"))) + strId).Text());
        QVERIFY(!strToken.isEmpty());
        strStream =
            Setting(QStringLiteral("FLVGetVideoURI")) + strId + QStringLiteral("&t=") + strToken;
    } else {
        const THttpAnswer watch = Fetch(Local(Setting(QStringLiteral("WatchURL"))) + strId);
        QCOMPARE(watch.Status, 200);
        if (method == 1) {
            const QString strToken =
                ResolverSteps::WatchToken(watch.Text(), Setting(QStringLiteral("WatchPattern")),
                                          Setting(QStringLiteral("FLVSplitStr")),
                                          Setting(QStringLiteral("FLVNeedDecode")).toInt() != 0);
            QVERIFY(!strToken.isEmpty());
            strStream = Setting(QStringLiteral("FLVGetVideoURI")) + strId + QStringLiteral("&t=") +
                        strToken;
        } else {
            // The table holds absolute addresses of the service as the client named it.
            strStream = ResolverSteps::StreamTableAddress(watch.Text(),
                                                          Setting(QStringLiteral("WatchPattern2")));
            QVERIFY(strStream.startsWith(FBase + u'/'));
        }
    }

    const THttpAnswer stream = Fetch(Local(strStream));
    QCOMPARE(stream.Status, 200);
    QCOMPARE(stream.ContentType, mimeType);
    QCOMPARE(stream.ContentLength, QByteArray::number(stream.Body.size()));

    const TNameValueList probe = Probe(stream.Body);
    QCOMPARE(probe.Value(QStringLiteral("codec_name")), codec);
    QVERIFY(probe.Value(QStringLiteral("nb_read_frames")).toInt() > 0);
    const double expected = VideoInformation(strId).Value(QStringLiteral("length_seconds")).toInt();
    QVERIFY(expected >= 10 && expected <= 40);
    const double duration = probe.Value(QStringLiteral("duration")).toDouble();
    QVERIFY2(std::abs(duration - expected) < 0.1,
             qPrintable(QStringLiteral("%1 s instead of %2 s").arg(duration).arg(expected)));
}

void TestSampleService::streamTableHost_data() {
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QString>("expectedBase");
    QTest::newRow("name used by the client")
        << QByteArray("localhost:{port}") << "http://localhost:{port}/";
    QTest::newRow("markup instead of a name")
        << QByteArray("x\"><script>a()</script>") << "http://127.0.0.1:{port}/";
}

void TestSampleService::streamTableHost() {
    QFETCH(QByteArray, host);
    QFETCH(QString, expectedBase);

    host.replace("{port}", QByteArray::number(FPort));
    expectedBase.replace(QStringLiteral("{port}"), QString::number(FPort));
    const THttpAnswer watch =
        Fetch(Local(Setting(QStringLiteral("WatchURL"))) + FirstSongId(QStringLiteral("afterglow")),
              {{"Host", host.toStdString()}});
    QCOMPARE(watch.Status, 200);
    QVERIFY(!watch.Text().contains(QStringLiteral("<script>a()")));
    QVERIFY(
        ResolverSteps::StreamTableAddress(watch.Text(), Setting(QStringLiteral("WatchPattern2")))
            .startsWith(expectedBase));
}

void TestSampleService::streamAnswer() {
    const QString strId = FirstSongId(QStringLiteral("low pass"));
    const QString strStream = Local(Setting(QStringLiteral("FLVGetVideoURI"))) + strId +
                              QStringLiteral("&t=") +
                              VideoInformation(strId).Value(QStringLiteral("token"));
    const THttpAnswer whole = Fetch(strStream);
    QCOMPARE(whole.Status, 200);
    QVERIFY(whole.Body.size() > 1000);
    // The index comes first, so a browser can play while the rest still arrives.
    QVERIFY(whole.Body.indexOf("moov") >= 0);
    QVERIFY(whole.Body.indexOf("moov") < whole.Body.indexOf("mdat"));

    // A player seeking in the stream asks for a part of it.
    const THttpAnswer part = Fetch(strStream, {{"Range", "bytes=100-199"}});
    QCOMPARE(part.Status, 206);
    QCOMPARE(part.Body, whole.Body.mid(100, 100));
    QCOMPARE(part.ContentRange, "bytes 100-199/" + QByteArray::number(whole.Body.size()));

    // Made once, served the same every time.
    QCOMPARE(Fetch(strStream).Body, whole.Body);
}

void TestSampleService::concurrentFirstRequests() {
    // A player and a download asking at once for a song nobody asked for before: every one gets
    // the same complete media.
    const QString strId = FirstSongId(QStringLiteral("main titles"));
    const QString strStream =
        Local(Setting(QStringLiteral("FLVGetVideoURI"))) + strId + QStringLiteral("&t=") +
        VideoInformation(strId).Value(QStringLiteral("token")) + QStringLiteral("&fmt=webm");
    QList<THttpAnswer> answers(4);
    std::vector<std::thread> clients;
    for (THttpAnswer& answer : answers) {
        clients.emplace_back([&] { answer = Fetch(strStream); });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    for (const THttpAnswer& answer : answers) {
        QCOMPARE(answer.Status, 200);
        QCOMPARE(answer.Body, answers.first().Body);
    }
    QCOMPARE(Probe(answers.first().Body).Value(QStringLiteral("codec_name")),
             QStringLiteral("opus"));
}

void TestSampleService::streamRefusals_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("status");

    QTest::newRow("valid token") << "video_id={id}&t={token}" << 200;
    QTest::newRow("altered token") << "video_id={id}&t={token}0" << 403;
    QTest::newRow("no token") << "video_id={id}" << 403;
    QTest::newRow("empty token") << "video_id={id}&t=" << 403;
    QTest::newRow("token of another video") << "video_id={id}&t={other}" << 403;
    QTest::newRow("unknown video") << "video_id=nosuchvideo&t={token}" << 404;
    QTest::newRow("unknown format") << "video_id={id}&t={token}&fmt=flv" << 404;
}

void TestSampleService::streamRefusals() {
    QFETCH(QString, query);
    QFETCH(int, status);

    const QString strId = FirstSongId(QStringLiteral("island breeze"));
    const QString strOther = FirstSongId(QStringLiteral("low pass"));
    query.replace(QStringLiteral("{id}"), strId)
        .replace(QStringLiteral("{token}"), VideoInformation(strId).Value(QStringLiteral("token")))
        .replace(QStringLiteral("{other}"),
                 VideoInformation(strOther).Value(QStringLiteral("token")));
    QCOMPARE(Fetch(FBase + QStringLiteral("/get_video?asv=3&") + query).Status, status);
}

void TestSampleService::oddPageNumbers_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("entryPattern");
    QTest::addColumn<int>("entries");

    const QString results = QStringLiteral("Pattern.entry");
    const QString charts = QStringLiteral("c_pattern_entry");
    QTest::newRow("largest page") << "/results?search_query=sessions&page=2147483647" << results
                                  << 0;
    QTest::newRow("negative page") << "/results?search_query=sessions&page=-3" << results << 20;
    QTest::newRow("page not a number")
        << "/results?search_query=sessions&page=two" << results << 20;
    QTest::newRow("no page") << "/results?search_query=sessions" << results << 20;
    QTest::newRow("no keyword") << "/results" << results << 0;
    // Chart pages always hold the hidden template row.
    QTest::newRow("largest chart page") << "/charts?genre=pop&p=2147483647" << charts << 1;
    QTest::newRow("negative chart page") << "/charts?genre=pop&p=-1" << charts << 6;
}

void TestSampleService::oddPageNumbers() {
    QFETCH(QString, path);
    QFETCH(QString, entryPattern);
    QFETCH(int, entries);

    const THttpAnswer answer = Fetch(FBase + path);
    QCOMPARE(answer.Status, 200);
    const TPcrePattern entry(Setting(entryPattern), TPcrePattern::EUse::KEntries);
    QCOMPARE(entry.AllFirstGroups(answer.Text()).size(), entries);
}

void TestSampleService::unknownAddresses_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("watch page") << "/watch?v=nosuchvideo";
    QTest::newRow("chart") << "/charts?genre=polka&p=1";
    QTest::newRow("site page") << "/site/nothing";
    QTest::newRow("path") << "/nothing/here";
}

void TestSampleService::unknownAddresses() {
    QFETCH(QString, path);
    QCOMPARE(Fetch(FBase + path).Status, 404);
}

void TestSampleService::unknownVideoInformation() {
    // No token: the program's resolver reports a bad response instead of building an address.
    const THttpAnswer answer =
        Fetch(Local(Setting(QStringLiteral("GetInfoURL"))) + QStringLiteral("nosuchvideo"));
    QCOMPARE(answer.Status, 200);
    QCOMPARE(QueryValues(answer.Text()).Value(QStringLiteral("status")), QStringLiteral("fail"));
    QVERIFY(ResolverSteps::InfoToken(answer.Text()).isEmpty());
}

void TestSampleService::updateAnswer_data() {
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("result");
    QTest::newRow("older version") << "0.0.9.0"
                                   << "1";
    QTest::newRow("shipped version") << Setting(QStringLiteral("App.Ver")) << "0";
    QTest::newRow("newer version") << "1.0.0.0"
                                   << "0";
}

void TestSampleService::updateAnswer() {
    QFETCH(QString, version);
    QFETCH(QString, result);

    // The query as the program sends it: a bare time stamp first, then named parameters.
    const QString strVer =
        QString::number(KrUtils::VersionToInt(version), 16).rightJustified(8, u'0').toUpper();
    const QString strUrl = Local(Setting(QStringLiteral("URL.Update"))) +
                           QStringLiteral(
                               "?ACTION=Update&12345&PID=halvex&LANG=English&DAY=0&"
                               "RUNTIME=1&VER=") +
                           strVer + QStringLiteral("&SVER=0");
    const THttpAnswer answer = Fetch(strUrl);
    QCOMPARE(answer.Status, 200);
    const TNameValueList lines(answer.Text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts));
    QCOMPARE(lines.Value(QStringLiteral("magicword")), Setting(QStringLiteral("App.MagicWord")));
    QCOMPARE(lines.Value(QStringLiteral("Result")), result);
    QCOMPARE(lines.Value(QStringLiteral("page")).isEmpty(), result != u"1");
    QCOMPARE(lines.Value(QStringLiteral("info")).isEmpty(), result != u"1");
    QCOMPARE(lines.Value(QStringLiteral("__MODIFY__.Update.Days")), QStringLiteral("3"));
}

void TestSampleService::commandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");

    // The shipped addresses name the service's default port.
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0
                          << QStringLiteral("default %1").arg(QUrl(kShippedBase).port());
    QTest::newRow("port taken") << QStringList{QStringLiteral("--port"), QStringLiteral("{port}")}
                                << 1 << "cannot listen";
    QTest::newRow("port not a number")
        << QStringList{QStringLiteral("--port"), QStringLiteral("http")} << 2 << "invalid port";
    QTest::newRow("port out of range")
        << QStringList{QStringLiteral("--port"), QStringLiteral("70000")} << 2 << "invalid port";
    QTest::newRow("setting without value")
        << QStringList{QStringLiteral("--modify"), QStringLiteral("Update.Days")} << 2
        << "invalid --modify";
    QTest::newRow("setting with a line break")
        << QStringList{QStringLiteral("--modify"), QStringLiteral("A=1\nResult=1")} << 2
        << "invalid --modify";
}

void TestSampleService::commandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);

    arguments.replaceInStrings(QStringLiteral("{port}"), QString::number(FPort));
    QProcess process;
    process.start(ServiceProgram(), arguments);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), exitCode);
    const QString strOutput = QString::fromUtf8(process.readAllStandardOutput()) +
                              QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(strOutput.contains(output), qPrintable(strOutput));
}

QTEST_GUILESS_MAIN(TestSampleService)
#include "tst_SampleService.moc"
