#include "pipeline/ID3v2.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "pipeline/ID3Genres.h"
#include "pipeline/ID3Text.h"
#include "pipeline/ReplacementFile.h"

namespace {

constexpr int KHeaderSize = 10;
constexpr int KFrameHeaderSize = 10;

enum EHeaderFlag : quint8 { KUnsynchronised = 0x80, KExtendedHeader = 0x40, KFooter = 0x10 };

enum ETextEncoding : quint8 { KLatin1 = 0, KUtf16 = 1, KUtf16BE = 2, KUtf8 = 3 };

const QByteArray KTitle = QByteArrayLiteral("TIT2");
const QByteArray KArtist = QByteArrayLiteral("TPE1");
const QByteArray KAlbum = QByteArrayLiteral("TALB");
const QByteArray KTrack = QByteArrayLiteral("TRCK");
const QByteArray KYear = QByteArrayLiteral("TYER");
// 2.4's successor of TYER; some writers put it in 2.3 tags as well.
const QByteArray KRecordingTime = QByteArrayLiteral("TDRC");
const QByteArray KGenre = QByteArrayLiteral("TCON");
const QByteArray KComment = QByteArrayLiteral("COMM");
const QByteArray KCommentLanguage = QByteArrayLiteral("eng");

quint32 ReadSyncsafe(const char* p) {
    quint32 iValue = 0;
    for (int i = 0; i < 4; ++i) {
        iValue = (iValue << 7) | (static_cast<quint8>(p[i]) & 0x7F);
    }
    return iValue;
}

quint32 ReadBigEndian(const char* p) {
    quint32 iValue = 0;
    for (int i = 0; i < 4; ++i) {
        iValue = (iValue << 8) | static_cast<quint8>(p[i]);
    }
    return iValue;
}

void AppendSyncsafe(QByteArray& bytes, quint32 iValue) {
    for (int iShift = 21; iShift >= 0; iShift -= 7) {
        bytes.append(static_cast<char>((iValue >> iShift) & 0x7F));
    }
}

void AppendBigEndian(QByteArray& bytes, quint32 iValue) {
    for (int iShift = 24; iShift >= 0; iShift -= 8) {
        bytes.append(static_cast<char>((iValue >> iShift) & 0xFF));
    }
}

// The whole tag's size from its header, header and footer included.
qint64 TagSize(const QByteArray& header) {
    const bool bFooter = header[3] == 4 && (static_cast<quint8>(header[5]) & KFooter);
    return qint64(ReadSyncsafe(header.constData() + 6)) + KHeaderSize + (bFooter ? 10 : 0);
}

// Undoes unsynchronisation: every 0xFF 0x00 pair stands for 0xFF.
QByteArray Resynchronise(const QByteArray& bytes) {
    QByteArray result;
    result.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        result.append(bytes[i]);
        if (static_cast<quint8>(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0) {
            ++i;
        }
    }
    return result;
}

QString DecodeString(quint8 iEncoding, const QByteArray& bytes) {
    switch (iEncoding) {
        case KLatin1:
            return QString::fromLatin1(bytes);
        case KUtf8:
            return QString::fromUtf8(bytes);
        case KUtf16BE: {
            QStringDecoder decoder(QStringDecoder::Utf16BE);
            return decoder(bytes);
        }
        default: {
            // A missing byte-order mark is read as little-endian, as most writers mean it.
            const bool bBigEndian = bytes.startsWith("\xFE\xFF");
            QStringDecoder decoder(bBigEndian ? QStringDecoder::Utf16BE : QStringDecoder::Utf16LE);
            const bool bMark = bBigEndian || bytes.startsWith("\xFF\xFE");
            return decoder(bMark ? bytes.mid(2) : bytes);
        }
    }
}

// The strings of a frame's text, split at the encoding's terminator; empty trailing ones dropped.
QStringList DecodeStrings(quint8 iEncoding, const QByteArray& bytes) {
    const bool bWide = iEncoding == KUtf16 || iEncoding == KUtf16BE;
    const int iStep = bWide ? 2 : 1;
    QStringList strings;
    qsizetype iStart = 0;
    for (qsizetype i = 0; i + iStep <= bytes.size(); i += iStep) {
        if (bytes[i] == 0 && (!bWide || bytes[i + 1] == 0)) {
            strings.append(DecodeString(iEncoding, bytes.mid(iStart, i - iStart)));
            iStart = i + iStep;
        }
    }
    strings.append(DecodeString(iEncoding, bytes.mid(iStart)));
    while (!strings.isEmpty() && strings.last().isEmpty()) {
        strings.removeLast();
    }
    return strings;
}

quint8 EncodingFor(const QString& strText) {
    return ID3Text::IsLatin1(strText) ? KLatin1 : KUtf16;
}

QByteArray EncodeString(quint8 iEncoding, const QString& strText) {
    if (iEncoding == KLatin1) {
        return strText.toLatin1();
    }
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : strText) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

void AppendFrame(QByteArray& tag, const QByteArray& id, const QByteArray& content) {
    tag.append(id);
    AppendBigEndian(tag, static_cast<quint32>(content.size()));
    tag.append(2, '\0');
    tag.append(content);
}

// "(17)" names genre 17 of the standard list; "(17)Rock" carries the name as well. "((" starts
// a name that begins with a bracket.
QString GenreText(const QString& strText) {
    QString strGenre = strText;
    int iReference = -1;
    while (strGenre.startsWith(u'(') && !strGenre.startsWith(QStringLiteral("(("))) {
        const qsizetype iClose = strGenre.indexOf(u')');
        bool bNumber = false;
        const int iNumber = iClose > 0 ? strGenre.mid(1, iClose - 1).toInt(&bNumber) : 0;
        if (!bNumber) {
            break;
        }
        iReference = iNumber;
        strGenre = strGenre.mid(iClose + 1);
    }
    if (strGenre.startsWith(QStringLiteral("(("))) {
        strGenre.remove(0, 1);
    }
    return strGenre.isEmpty() ? ID3Genres::Name(iReference) : ID3Text::Trim(strGenre);
}

// The frames of one tag that the class keeps, as found.
struct TFoundFrames {
    QString Title, Artist, Album, Track, Year, Genre, Comment;
    bool YearFromTYER = false;
    bool CommentWithoutDescription = false;
    bool CommentFound = false;

    void Take(const QByteArray& id, const QByteArray& content) {
        if (content.isEmpty()) {
            return;
        }
        const auto iEncoding = static_cast<quint8>(content[0]);
        if (iEncoding > KUtf8) {
            return;
        }
        if (id == KComment) {
            TakeComment(iEncoding, content.mid(4));
            return;
        }
        const QString strText = DecodeStrings(iEncoding, content.mid(1)).join(u'/');
        if (id == KTitle) {
            Title = strText;
        } else if (id == KArtist) {
            Artist = strText;
        } else if (id == KAlbum) {
            Album = strText;
        } else if (id == KTrack) {
            Track = strText;
        } else if (id == KYear) {
            Year = strText;
            YearFromTYER = true;
        } else if (id == KRecordingTime && !YearFromTYER) {
            Year = strText.left(4);
        } else if (id == KGenre) {
            Genre = strText;
        }
    }

    // Players keep extra comments under a description; the one without is the user's.
    void TakeComment(quint8 iEncoding, const QByteArray& bytes) {
        const QStringList strings = DecodeStrings(iEncoding, bytes);
        const bool bNoDescription = strings.isEmpty() || strings[0].isEmpty();
        if (CommentWithoutDescription || (CommentFound && !bNoDescription)) {
            return;
        }
        Comment = strings.mid(1).join(u'/');
        CommentFound = true;
        CommentWithoutDescription = bNoDescription;
    }
};

// Walks the frames of a tag body (what follows the header).
void ReadFrames(QByteArray body, quint8 iVersion, quint8 iFlags, TFoundFrames& found) {
    if (iVersion == 3 && (iFlags & KUnsynchronised)) {
        body = Resynchronise(body);
    }
    qsizetype iPos = 0;
    if ((iFlags & KExtendedHeader) && body.size() >= 4) {
        const quint32 iSize =
            iVersion == 4 ? ReadSyncsafe(body.constData()) : ReadBigEndian(body.constData()) + 4;
        iPos = iSize;
    }
    while (iPos + KFrameHeaderSize <= body.size()) {
        const char* header = body.constData() + iPos;
        if (header[0] < 'A' || header[0] > 'Z') {
            break;  // padding
        }
        const QByteArray id(header, 4);
        const qint64 iSize = iVersion == 4 ? ReadSyncsafe(header + 4) : ReadBigEndian(header + 4);
        const auto iFormat = static_cast<quint8>(header[9]);
        QByteArray content = body.mid(iPos + KFrameHeaderSize, iSize);
        iPos += KFrameHeaderSize + iSize;

        // Compressed or encrypted frames cannot be read as text.
        const quint8 iUnreadable = iVersion == 4 ? 0x0C : 0xC0;
        if (iFormat & iUnreadable) {
            continue;
        }
        const quint8 iGrouped = iVersion == 4 ? 0x40 : 0x20;
        if (iFormat & iGrouped) {
            content.remove(0, 1);
        }
        if (iVersion == 4 && (iFormat & 0x01)) {
            content.remove(0, 4);  // data length indicator
        }
        if (iVersion == 4 && (iFormat & 0x02)) {
            content = Resynchronise(content);
        }
        found.Take(id, content);
    }
}

// The file with aTag in front of what follows its current version 2 tag, built beside it and
// renamed over it.
bool RebuildFile(const QString& strFileName, const QByteArray& tag, bool bRemoving) {
    const int iFd = ::open(QFile::encodeName(strFileName).constData(), O_RDONLY | O_CLOEXEC);
    if (iFd < 0) {
        return false;
    }
    struct stat info;
    QByteArray header(KHeaderSize, '\0');
    bool bOk = ::fstat(iFd, &info) == 0 && S_ISREG(info.st_mode) &&
               ::pread(iFd, header.data(), KHeaderSize, 0) == KHeaderSize;
    const bool bHasTag = bOk && header.startsWith("ID3");
    if (bOk && (bHasTag || !bRemoving)) {
        const qint64 iFileSize = info.st_size;
        qint64 iSkip = bHasTag ? TagSize(header) : 0;
        if (iSkip > iFileSize) {
            iSkip = 0;  // a size past the end is no size to trust
        }
        TReplacementFile replacement(strFileName);
        bOk = replacement.Open(info.st_mode, info.st_uid, info.st_gid) && replacement.Write(tag) &&
              replacement.CopyFrom(iFd, iSkip, iFileSize - iSkip) && replacement.Commit();
    } else {
        bOk = false;
    }
    ::close(iFd);
    return bOk;
}

}  // namespace

void TID3v2::ResetData() {
    *this = TID3v2();
}

void TID3v2::SetTitle(const QString& strTitle) {
    FTitle = ID3Text::TrimRight(strTitle);
}
void TID3v2::SetArtist(const QString& strArtist) {
    FArtist = ID3Text::TrimRight(strArtist);
}
void TID3v2::SetAlbum(const QString& strAlbum) {
    FAlbum = ID3Text::TrimRight(strAlbum);
}
void TID3v2::SetYear(const QString& strYear) {
    FYear = ID3Text::TrimRight(strYear);
}
void TID3v2::SetGenre(const QString& strGenre) {
    FGenre = ID3Text::TrimRight(strGenre);
}
void TID3v2::SetComment(const QString& strComment) {
    FComment = ID3Text::TrimRight(strComment);
}

bool TID3v2::ReadFromFile(const QString& strFileName) {
    ResetData();
    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray header = file.read(KHeaderSize);
    if (header.size() < KHeaderSize) {
        return false;
    }
    if (!header.startsWith("ID3")) {
        return true;
    }
    FExists = true;
    FVersionID = static_cast<quint8>(header[3]);
    const qint64 iSize = TagSize(header);
    FSize = iSize <= file.size() ? static_cast<int>(iSize) : 0;
    if ((FVersionID != 3 && FVersionID != 4) || FSize == 0) {
        return true;
    }
    TFoundFrames found;
    ReadFrames(file.read(ReadSyncsafe(header.constData() + 6)), FVersionID,
               static_cast<quint8>(header[5]), found);
    FTitle = ID3Text::Trim(found.Title);
    FArtist = ID3Text::Trim(found.Artist);
    FAlbum = ID3Text::Trim(found.Album);
    FYear = ID3Text::Trim(found.Year);
    const QString strTrack = ID3Text::Trim(found.Track);
    const int iTrack = strTrack.section(u'/', 0, 0).toInt();
    FTrack = iTrack > 0 && iTrack <= 255 ? static_cast<quint8>(iTrack) : 0;
    FGenre = GenreText(ID3Text::Trim(found.Genre));
    FComment = ID3Text::Trim(found.Comment);
    return true;
}

bool TID3v2::RemoveFromFile(const QString& strFileName) {
    return RebuildFile(strFileName, QByteArray(), true);
}

bool TID3v2::SaveToFile(const QString& strFileName) const {
    return RebuildFile(strFileName, Build(), false);
}

QByteArray TID3v2::Build() const {
    QByteArray frames;
    const auto text = [&frames](const QByteArray& id, const QString& strText) {
        if (strText.isEmpty()) {
            return;
        }
        const quint8 iEncoding = EncodingFor(strText);
        AppendFrame(frames, id, char(iEncoding) + EncodeString(iEncoding, strText));
    };
    text(KTitle, FTitle);
    text(KArtist, FArtist);
    text(KAlbum, FAlbum);
    text(KTrack, FTrack != 0 ? QString::number(FTrack) : QString());
    text(KYear, FYear);
    text(KGenre, FGenre);
    if (!FComment.isEmpty()) {
        // Language, then an empty description, then the comment.
        const quint8 iEncoding = EncodingFor(FComment);
        const QByteArray terminator =
            iEncoding == KLatin1 ? QByteArray(1, '\0') : QByteArray("\xFF\xFE\0\0", 4);
        AppendFrame(
            frames, KComment,
            char(iEncoding) + KCommentLanguage + terminator + EncodeString(iEncoding, FComment));
    }
    QByteArray tag("ID3\x03\x00\x00", 6);
    AppendSyncsafe(tag, static_cast<quint32>(frames.size()));
    return tag + frames;
}
