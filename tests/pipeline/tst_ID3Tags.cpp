#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "MediaTools.h"
#include "TestSupport.h"
#include "pipeline/ID3Genres.h"
#include "pipeline/ID3v1.h"
#include "pipeline/ID3v2.h"

namespace {

// mutagen's view of a file's tags: {"version": [2,3,0] or null, "frames": {id: [texts]},
// "encodings": {id: n}, "v1": {id: text} or null}.
const char* const KReadTags = R"(
import json, sys
from mutagen.id3 import ID3, ID3NoHeaderError, ParseID3v1
path = sys.argv[1]
out = {"version": None, "frames": {}, "encodings": {}}
try:
    tags = ID3(path, translate=False, load_v1=False)
    out["version"] = list(tags.version)
    for frame in tags.values():
        if hasattr(frame, "text"):
            out["frames"][frame.FrameID] = [str(t) for t in frame.text]
            out["encodings"][frame.FrameID] = int(frame.encoding)
        else:
            out["frames"][frame.FrameID] = []
except ID3NoHeaderError:
    pass
data = open(path, "rb").read()
v1 = ParseID3v1(data[-128:], v2_version=3) if len(data) >= 128 else None
out["v1"] = {k: (v.genres[0] if k == "TCON" else str(v)) for k, v in v1.items()} if v1 else None
print(json.dumps(out))
)";

// Writes tags with mutagen: argv[2] is "v1" (version 1.1 only), "v23" or "v24".
const char* const KWriteTags = R"(
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TDRC, TCON, COMM, APIC, delete
path, mode = sys.argv[1], sys.argv[2]
tags = ID3()
tags.add(TIT2(encoding=3, text="Old Title \u0395\u03bb"))
tags.add(TPE1(encoding=3, text="Old Artist"))
tags.add(TALB(encoding=3, text="Old Album"))
tags.add(TRCK(encoding=3, text="7/12"))
tags.add(TDRC(encoding=3, text="1999"))
tags.add(TCON(encoding=3, text="Rock"))
tags.add(COMM(encoding=3, lang="eng", desc="iTunNORM", text="not the comment"))
tags.add(COMM(encoding=3, lang="eng", desc="", text="The comment \u00fc"))
tags.add(APIC(encoding=3, mime="image/png", type=3, desc="cover", data=b"\x89PNG" * 50))
if mode == "v1":
    tags.save(path, v1=2, v2_version=3)
    delete(path, delete_v1=False, delete_v2=True)
    # mutagen leaves the comment out of version 1; put it where version 1.1 keeps it.
    data = bytearray(open(path, "rb").read())
    data[-128 + 97:-128 + 125] = "The comment \u00fc".encode("latin-1").ljust(28, b"\0")
    open(path, "wb").write(data)
else:
    tags.save(path, v1=0, v2_version=3 if mode == "v23" else 4)
)";

QJsonObject MutagenTags(const QString& strPath) {
    QString strOutput;
    MediaTools::RunPython(QLatin1String(KReadTags), {strPath}, &strOutput);
    return QJsonDocument::fromJson(strOutput.toUtf8()).object();
}

QString Frame(const QJsonObject& tags, const char* id) {
    const QJsonArray texts = tags[QStringLiteral("frames")][QLatin1String(id)].toArray();
    return texts.isEmpty() ? QString() : texts[0].toString();
}

QString V1(const QJsonObject& tags, const char* id) {
    return tags[QStringLiteral("v1")][QLatin1String(id)].toString();
}

QStringList FrameIds(const QJsonObject& tags) {
    QStringList ids = tags[QStringLiteral("frames")].toObject().keys();
    ids.sort();
    return ids;
}

bool WriteBytes(const QString& strPath, const QByteArray& bytes) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// What the download pipeline does once a song is converted.
void WriteSongTags(const QString& strPath, const QString& strTitle, const QString& strArtist,
                   const QString& strAlbum) {
    TID3v1 v1;
    v1.ReadFromFile(strPath);
    v1.SetTitle(strTitle);
    v1.SetArtist(strArtist);
    v1.SetAlbum(strAlbum);
    QVERIFY(v1.SaveToFile(strPath));
    TID3v2 v2;
    v2.ReadFromFile(strPath);
    v2.SetTitle(strTitle);
    v2.SetArtist(strArtist);
    v2.SetAlbum(strAlbum);
    QVERIFY(v2.SaveToFile(strPath));
}

// Lets writes beyond a size fail with EFBIG, as on a full disk, for the scope's lifetime.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t iBytes) {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = iBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = nullptr;
};

}  // namespace

class TestID3Tags : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void genreListMatchesTheStandard();
    void untaggedSongGetsBothTags();
    void textsRoundTripThroughMutagen_data();
    void textsRoundTripThroughMutagen();
    void tagsWrittenByMutagenAreReadAndReplaced_data();
    void tagsWrittenByMutagenAreReadAndReplaced();
    void genreTexts_data();
    void genreTexts();
    void savingTwiceLeavesOneTagOfEach();
    void removingTags();
    void unreadableAndOddFiles();
    void failedRewriteLeavesSongIntact_data();
    void failedRewriteLeavesSongIntact();
    void rewriteKeepsModeAndFollowsLinks();

private:
    // A fresh copy of the untagged song.
    QString NewSong(const QString& strName = QStringLiteral("song.mp3")) {
        const QString strPath = FDir.filePath(QString::number(++FCount) + u'/' + strName);
        QDir().mkpath(QFileInfo(strPath).path());
        QFile::copy(FSong, strPath);
        return strPath;
    }

    QTemporaryDir FDir;
    QString FSong;
    QByteArray FSongBytes;
    int FCount = 0;
};

void TestID3Tags::initTestCase() {
    QVERIFY(FDir.isValid());
    FSong = FDir.filePath(QStringLiteral("untagged.mp3"));
    QVERIFY(MediaTools::MakeTone(
        FSong, 1, QString::fromLatin1("-c:a libmp3lame -b:a 128k -id3v2_version 0").split(u' ')));
    FSongBytes = ReadAll(FSong);
    QVERIFY(FSongBytes.size() > 10000);
    QVERIFY(!FSongBytes.startsWith("ID3"));
}

void TestID3Tags::genreListMatchesTheStandard() {
    QString strNames;
    QVERIFY(MediaTools::RunPython(
        QStringLiteral("from mutagen._constants import GENRES\nprint('\\n'.join(GENRES[:148]))"),
        {}, &strNames));
    const QStringList expected = strNames.trimmed().split(u'\n');
    QCOMPARE(expected.size(), ID3Genres::KCount);
    for (int i = 0; i < ID3Genres::KCount; ++i) {
        QCOMPARE(ID3Genres::Name(i), expected[i]);
    }
    QCOMPARE(ID3Genres::Name(148), QString());
    QCOMPARE(ID3Genres::Name(255), QString());
    QCOMPARE(ID3Genres::Name(-1), QString());
}

void TestID3Tags::untaggedSongGetsBothTags() {
    const QString strPath = NewSong();
    WriteSongTags(strPath, QStringLiteral("Title"), QStringLiteral("Artist"),
                  QStringLiteral("Album"));

    const QByteArray bytes = ReadAll(strPath);
    // Header 3.0, no flags, then exactly three frames of 11 bytes plus their text.
    const int iTagSize = 3 * 11 + 5 + 6 + 5;
    QCOMPARE(bytes.left(10), QByteArray("ID3\x03\x00\x00\x00\x00\x00", 9) + char(iTagSize));
    QCOMPARE(bytes.mid(10, 4), QByteArray("TIT2"));
    QCOMPARE(bytes.size(), FSongBytes.size() + 10 + iTagSize + 128);
    QCOMPARE(bytes.mid(10 + iTagSize, FSongBytes.size()), FSongBytes);
    const QByteArray v1 = bytes.right(128);
    QVERIFY(v1.startsWith("TAG"));
    QCOMPARE(v1.mid(93, 34), QByteArray(34, '\0'));  // year, comment, track
    QCOMPARE(static_cast<quint8>(v1[127]), quint8(255));

    const QJsonObject tags = MutagenTags(strPath);
    QCOMPARE(tags[QStringLiteral("version")].toArray(), QJsonArray({2, 3, 0}));
    QCOMPARE(FrameIds(tags), QStringList({"TALB", "TIT2", "TPE1"}));
    QCOMPARE(Frame(tags, "TIT2"), QStringLiteral("Title"));
    QCOMPARE(Frame(tags, "TPE1"), QStringLiteral("Artist"));
    QCOMPARE(Frame(tags, "TALB"), QStringLiteral("Album"));
    QCOMPARE(V1(tags, "TIT2"), QStringLiteral("Title"));
    QCOMPARE(V1(tags, "TPE1"), QStringLiteral("Artist"));
    QCOMPARE(V1(tags, "TALB"), QStringLiteral("Album"));

    // And our own reading agrees.
    TID3v1 tag1;
    QVERIFY(tag1.ReadFromFile(strPath));
    QVERIFY(tag1.Exists());
    QCOMPARE(tag1.VersionID(), quint8(1));
    QCOMPARE(tag1.GenreID(), quint8(255));
    QCOMPARE(tag1.Genre(), QString());
    TID3v2 tag2;
    QVERIFY(tag2.ReadFromFile(strPath));
    QVERIFY(tag2.Exists());
    QCOMPARE(tag2.VersionID(), quint8(3));
    QCOMPARE(tag2.Size(), 10 + iTagSize);
    QCOMPARE(tag2.Title(), QStringLiteral("Title"));
}

void TestID3Tags::textsRoundTripThroughMutagen_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("v2Title");
    QTest::addColumn<int>("encoding");     // of the version 2 title frame
    QTest::addColumn<QString>("v1Title");  // what version 1 can hold
    QTest::addColumn<QString>("v1Artist");

    QTest::newRow("ASCII") << "Song"
                           << "Band"
                           << "Song" << 0 << "Song"
                           << "Band";
    QTest::newRow("ISO-8859-1 accents")
        << QStringLiteral("Caf\u00e9 No\u00ebl") << QStringLiteral("Bj\u00f6rk")
        << QStringLiteral("Caf\u00e9 No\u00ebl") << 0 << QStringLiteral("Caf\u00e9 No\u00ebl")
        << QStringLiteral("Bj\u00f6rk");
    QTest::newRow("Greek and Japanese")
        << QStringLiteral("\u0395\u03bb\u03bb\u03ac\u03b4\u03b1") << QStringLiteral("\u65e5\u672c")
        << QStringLiteral("\u0395\u03bb\u03bb\u03ac\u03b4\u03b1") << 1 << "??????"
        << "??";
    QTest::newRow("beyond the 16-bit plane")
        << QStringLiteral("Hi \U0001F3B5!") << QStringLiteral("x\u00e9")
        << QStringLiteral("Hi \U0001F3B5!") << 1 << "Hi ?!" << QStringLiteral("x\u00e9");
    QTest::newRow("40 characters: cut to 30 in version 1 only")
        << QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCD") << "Band"
        << QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCD") << 0
        << "0123456789abcdefghijklmnopqrst"
        << "Band";
    QTest::newRow("trailing blanks and controls go")
        << QStringLiteral("Song \t\n\x01  ") << "Band   "
        << "Song" << 0 << "Song"
        << "Band";
}

void TestID3Tags::textsRoundTripThroughMutagen() {
    QFETCH(QString, title);
    QFETCH(QString, artist);
    QFETCH(QString, v2Title);
    QFETCH(int, encoding);
    QFETCH(QString, v1Title);
    QFETCH(QString, v1Artist);

    const QString strPath = NewSong();
    WriteSongTags(strPath, title, artist, QStringLiteral("Album"));
    const QJsonObject tags = MutagenTags(strPath);
    QCOMPARE(Frame(tags, "TIT2"), v2Title);
    QCOMPARE(Frame(tags, "TPE1"), artist.trimmed());
    QCOMPARE(tags[QStringLiteral("encodings")][QStringLiteral("TIT2")].toInt(), encoding);
    QCOMPARE(V1(tags, "TIT2"), v1Title);
    QCOMPARE(V1(tags, "TPE1"), v1Artist);

    TID3v2 tag2;
    QVERIFY(tag2.ReadFromFile(strPath));
    QCOMPARE(tag2.Title(), v2Title);
    TID3v1 tag1;
    QVERIFY(tag1.ReadFromFile(strPath));
    QCOMPARE(tag1.Title(), v1Title);
}

void TestID3Tags::tagsWrittenByMutagenAreReadAndReplaced_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("version 1.1") << "v1";
    QTest::newRow("version 2.3") << "v23";
    QTest::newRow("version 2.4") << "v24";
}

void TestID3Tags::tagsWrittenByMutagenAreReadAndReplaced() {
    QFETCH(QString, mode);
    const QString strPath = NewSong();
    QVERIFY(MediaTools::RunPython(QLatin1String(KWriteTags), {strPath, mode}));
    const bool bV1 = mode == QStringLiteral("v1");

    if (bV1) {
        TID3v1 tag;
        QVERIFY(tag.ReadFromFile(strPath));
        QVERIFY(tag.Exists());
        QCOMPARE(tag.VersionID(), quint8(2));
        QCOMPARE(tag.Title(), QStringLiteral("Old Title ??"));
        QCOMPARE(tag.Artist(), QStringLiteral("Old Artist"));
        QCOMPARE(tag.Album(), QStringLiteral("Old Album"));
        QCOMPARE(tag.Year(), QStringLiteral("1999"));
        QCOMPARE(tag.Comment(), QStringLiteral("The comment \u00fc"));
        QCOMPARE(tag.Track(), quint8(7));
        QCOMPARE(tag.GenreID(), quint8(17));
        QCOMPARE(tag.Genre(), QStringLiteral("Rock"));
    } else {
        TID3v2 tag;
        QVERIFY(tag.ReadFromFile(strPath));
        QVERIFY(tag.Exists());
        QCOMPARE(tag.VersionID(), quint8(mode == QStringLiteral("v23") ? 3 : 4));
        QVERIFY(tag.Size() > 10);
        QCOMPARE(tag.Title(), QStringLiteral("Old Title \u0395\u03bb"));
        QCOMPARE(tag.Artist(), QStringLiteral("Old Artist"));
        QCOMPARE(tag.Album(), QStringLiteral("Old Album"));
        QCOMPARE(tag.Year(), QStringLiteral("1999"));
        QCOMPARE(tag.Genre(), QStringLiteral("Rock"));
        QCOMPARE(tag.Comment(), QStringLiteral("The comment \u00fc"));
        QCOMPARE(tag.Track(), quint8(7));
    }

    WriteSongTags(strPath, QStringLiteral("New Title"), QStringLiteral("New Artist"),
                  QStringLiteral("New Album"));
    const QJsonObject tags = MutagenTags(strPath);
    const QByteArray bytes = ReadAll(strPath);
    if (bV1) {
        const QByteArray v1 = bytes.right(128);
        QCOMPARE(v1[125], '\0');
        QCOMPARE(v1[126], '\7');
        QCOMPARE(v1.mid(97, 28), QByteArray("The comment \xfc") + QByteArray(15, '\0'));
        QCOMPARE(V1(tags, "TIT2"), QStringLiteral("New Title"));
        QCOMPARE(V1(tags, "TRCK"), QStringLiteral("7"));
        QCOMPARE(V1(tags, "TYER"), QStringLiteral("1999"));
        QCOMPARE(V1(tags, "TCON"), QStringLiteral("Rock"));
        // The song had no version 2 tag: the new one holds the three texts only.
        QCOMPARE(FrameIds(tags), QStringList({"TALB", "TIT2", "TPE1"}));
    } else {
        // The old tag is gone; the new one is 2.3 with the kept fields, in front of the audio.
        QCOMPARE(tags[QStringLiteral("version")].toArray(), QJsonArray({2, 3, 0}));
        QCOMPARE(FrameIds(tags),
                 QStringList({"COMM", "TALB", "TCON", "TIT2", "TPE1", "TRCK", "TYER"}));
        QCOMPARE(Frame(tags, "TIT2"), QStringLiteral("New Title"));
        QCOMPARE(Frame(tags, "TPE1"), QStringLiteral("New Artist"));
        QCOMPARE(Frame(tags, "TRCK"), QStringLiteral("7"));
        QCOMPARE(Frame(tags, "TYER"), QStringLiteral("1999"));
        QCOMPARE(Frame(tags, "TCON"), QStringLiteral("Rock"));
        QCOMPARE(Frame(tags, "COMM"), QStringLiteral("The comment \u00fc"));
        TID3v2 tag;
        QVERIFY(tag.ReadFromFile(strPath));
        QCOMPARE(bytes.mid(tag.Size(), FSongBytes.size()), FSongBytes);
    }
}

void TestID3Tags::genreTexts_data() {
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("name") << "Synthpop"
                          << "Synthpop";
    QTest::newRow("number only") << "(17)"
                                 << "Rock";
    QTest::newRow("number and name") << "(17)Rock & Roll"
                                     << "Rock & Roll";
    QTest::newRow("brackets inside a name") << "Rock (Classic)"
                                            << "Rock (Classic)";
    QTest::newRow("escaped bracket") << "((Bracketed)"
                                     << "(Bracketed)";
    QTest::newRow("number outside the list") << "(200)"
                                             << "";
}

void TestID3Tags::genreTexts() {
    QFETCH(QString, written);
    const QString strPath = NewSong();
    TID3v2 tag;
    tag.SetGenre(written);
    QVERIFY(tag.SaveToFile(strPath));
    QVERIFY(tag.ReadFromFile(strPath));
    QTEST(tag.Genre(), "read");
}

void TestID3Tags::savingTwiceLeavesOneTagOfEach() {
    const QString strPath = NewSong();
    WriteSongTags(strPath, QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"));
    const QByteArray first = ReadAll(strPath);
    WriteSongTags(strPath, QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"));
    QCOMPARE(ReadAll(strPath), first);
    QCOMPARE(first.count("TAG"), 1);
    QCOMPARE(first.count("ID3"), 1);
}

void TestID3Tags::removingTags() {
    const QString strPath = NewSong();
    TID3v1 v1;
    TID3v2 v2;
    QVERIFY(v1.RemoveFromFile(strPath));   // nothing to remove
    QVERIFY(!v2.RemoveFromFile(strPath));  // no version 2 tag
    QCOMPARE(ReadAll(strPath), FSongBytes);
    WriteSongTags(strPath, QStringLiteral("A"), QStringLiteral(""), QStringLiteral("C"));
    QVERIFY(v2.ReadFromFile(strPath));
    QCOMPARE(v2.Size(), 10 + 2 * 12);  // an empty artist writes no frame
    QVERIFY(v1.RemoveFromFile(strPath));
    QVERIFY(v2.RemoveFromFile(strPath));
    QCOMPARE(ReadAll(strPath), FSongBytes);
}

void TestID3Tags::unreadableAndOddFiles() {
    const QString strMissing = FDir.filePath(QStringLiteral("missing.mp3"));
    TID3v1 v1;
    TID3v2 v2;
    QVERIFY(!v1.ReadFromFile(strMissing));
    QVERIFY(!v2.ReadFromFile(strMissing));
    QVERIFY(!v1.SaveToFile(strMissing));
    QVERIFY(!v2.SaveToFile(strMissing));
    QVERIFY(!QFile::exists(strMissing));

    // Too short for a version 1 tag: nothing is written.
    const QString strShort = FDir.filePath(QStringLiteral("short.mp3"));
    QVERIFY(WriteBytes(strShort, QByteArray(100, 'x')));
    QVERIFY(!v1.ReadFromFile(strShort));
    QVERIFY(!v1.SaveToFile(strShort));
    QCOMPARE(ReadAll(strShort), QByteArray(100, 'x'));
    QVERIFY(WriteBytes(strShort, QByteArray("ID3\x03", 4)));
    QVERIFY(!v2.ReadFromFile(strShort));

    // A version 2 tag claiming more than the file holds: no frames read, nothing skipped.
    const QString strLying = NewSong();
    QByteArray lying(
        "ID3\x03\x00\x00\x7f\x7f\x7f\x7f"
        "TIT2\x00\x00\x00\x04\x00\x00\x00Old",
        24);
    QVERIFY(WriteBytes(strLying, lying + FSongBytes));
    QVERIFY(v2.ReadFromFile(strLying));
    QVERIFY(v2.Exists());
    QCOMPARE(v2.Size(), 0);
    QCOMPARE(v2.Title(), QString());
    v2.SetTitle(QStringLiteral("New"));
    QVERIFY(v2.SaveToFile(strLying));
    const QByteArray bytes = ReadAll(strLying);
    QCOMPARE(bytes.mid(10 + 14), lying + FSongBytes);
}

void TestID3Tags::failedRewriteLeavesSongIntact_data() {
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("a folder where the new file goes") << "folder";
    QTest::newRow("disk full while copying") << "full";
    QTest::newRow("a link where the new file goes") << "link";
}

void TestID3Tags::failedRewriteLeavesSongIntact() {
    QFETCH(QString, obstacle);
    const QString strPath = NewSong();
    WriteSongTags(strPath, QStringLiteral("Kept"), QStringLiteral("Kept"), QStringLiteral("Kept"));
    const QByteArray before = ReadAll(strPath);
    const QString strTemp = strPath + u'~';
    const QString strElsewhere = FDir.filePath(QStringLiteral("elsewhere"));

    TID3v2 tag;
    QVERIFY(tag.ReadFromFile(strPath));
    tag.SetTitle(QStringLiteral("Changed"));
    bool bSaved = false;
    if (obstacle == QStringLiteral("folder")) {
        QVERIFY(QDir().mkpath(strTemp));
        bSaved = tag.SaveToFile(strPath);
        QVERIFY(QFileInfo(strTemp).isDir());
        QVERIFY(!bSaved);
    } else if (obstacle == QStringLiteral("full")) {
        {
            TFileSizeLimit limit(before.size() / 2);
            bSaved = tag.SaveToFile(strPath);
        }
        QVERIFY(!bSaved);
        QVERIFY(!QFileInfo::exists(strTemp));
    } else {
        // A link planted at the new file's name is never written through.
        QVERIFY(WriteBytes(strElsewhere, "untouched"));
        QVERIFY(QFile::link(strElsewhere, strTemp));
        bSaved = tag.SaveToFile(strPath);
        QVERIFY(bSaved);
        QCOMPARE(ReadAll(strElsewhere), QByteArray("untouched"));
        QVERIFY(!QFileInfo::exists(strTemp));
        QVERIFY(tag.ReadFromFile(strPath));
        QCOMPARE(tag.Title(), QStringLiteral("Changed"));
        return;
    }
    QCOMPARE(ReadAll(strPath), before);
    QVERIFY(tag.ReadFromFile(strPath));
    QCOMPARE(tag.Title(), QStringLiteral("Kept"));
}

void TestID3Tags::rewriteKeepsModeAndFollowsLinks() {
    const QString strPath = NewSong();
    QVERIFY(::chmod(QFile::encodeName(strPath).constData(), 0640) == 0);
    const QString strLink = QFileInfo(strPath).path() + QStringLiteral("/link.mp3");
    QVERIFY(QFile::link(strPath, strLink));

    WriteSongTags(strLink, QStringLiteral("Via link"), QStringLiteral("A"), QStringLiteral("B"));
    QVERIFY(QFileInfo(strLink).isSymLink());
    TID3v2 tag;
    QVERIFY(tag.ReadFromFile(strPath));
    QCOMPARE(tag.Title(), QStringLiteral("Via link"));
    struct stat info;
    QVERIFY(::stat(QFile::encodeName(strPath).constData(), &info) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));
}

QTEST_GUILESS_MAIN(TestID3Tags)
#include "tst_ID3Tags.moc"
