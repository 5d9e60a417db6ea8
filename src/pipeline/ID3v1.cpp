#include "pipeline/ID3v1.h"

#include <QFile>

#include "pipeline/ID3Genres.h"
#include "pipeline/ID3Text.h"

namespace {

constexpr int KTextLength = 30;
constexpr int KYearLength = 4;
constexpr int KCommentLength11 = 28;

enum EOffset : int {
    KTitleAt = 3,
    KArtistAt = 33,
    KAlbumAt = 63,
    KYearAt = 93,
    KCommentAt = 97,
    KZeroAt = 125,
    KTrackAt = 126,
    KGenreAt = 127
};

QString Field(const QString& strText, int iLength) {
    return ID3Text::ToLatin1Chars(ID3Text::TrimRight(strText)).left(iLength);
}

QString ReadField(const QByteArray& tag, int iOffset, int iLength) {
    return ID3Text::TrimRight(QString::fromLatin1(tag.mid(iOffset, iLength)));
}

// The last 128 bytes of the file, and its size; false when it cannot be read or is shorter.
bool ReadLastBytes(const QString& strFileName, QByteArray& tag, qint64& iFileSize) {
    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    iFileSize = file.size();
    if (iFileSize < TID3v1::KTagSize || !file.seek(iFileSize - TID3v1::KTagSize)) {
        return false;
    }
    tag = file.read(TID3v1::KTagSize);
    return tag.size() == TID3v1::KTagSize;
}

}  // namespace

void TID3v1::ResetData() {
    FExists = false;
    FVersionID = 1;
    FTitle.clear();
    FArtist.clear();
    FAlbum.clear();
    FYear.clear();
    FComment.clear();
    FTrack = 0;
    FGenreID = KNoGenre;
}

QString TID3v1::Genre() const {
    return ID3Genres::Name(FGenreID);
}

void TID3v1::SetTitle(const QString& strTitle) {
    FTitle = Field(strTitle, KTextLength);
}
void TID3v1::SetArtist(const QString& strArtist) {
    FArtist = Field(strArtist, KTextLength);
}
void TID3v1::SetAlbum(const QString& strAlbum) {
    FAlbum = Field(strAlbum, KTextLength);
}
void TID3v1::SetYear(const QString& strYear) {
    FYear = Field(strYear, KYearLength);
}
void TID3v1::SetComment(const QString& strComment) {
    FComment = Field(strComment, KTextLength);
}

bool TID3v1::ReadFromFile(const QString& strFileName) {
    ResetData();
    QByteArray tag;
    qint64 iFileSize = 0;
    if (!ReadLastBytes(strFileName, tag, iFileSize)) {
        return false;
    }
    if (!tag.startsWith("TAG")) {
        return true;
    }
    FExists = true;
    const char cZero = tag[KZeroAt];
    const char cTrack = tag[KTrackAt];
    const bool bV11 = (cZero == 0 && cTrack != 0) || (cZero == ' ' && cTrack != ' ');
    FVersionID = bV11 ? 2 : 1;
    FTitle = ReadField(tag, KTitleAt, KTextLength);
    FArtist = ReadField(tag, KArtistAt, KTextLength);
    FAlbum = ReadField(tag, KAlbumAt, KTextLength);
    FYear = ReadField(tag, KYearAt, KYearLength);
    FComment = ReadField(tag, KCommentAt, bV11 ? KCommentLength11 : KTextLength);
    FTrack = bV11 ? static_cast<quint8>(cTrack) : 0;
    FGenreID = static_cast<quint8>(tag[KGenreAt]);
    return true;
}

bool TID3v1::RemoveFromFile(const QString& strFileName) {
    QByteArray tag;
    qint64 iFileSize = 0;
    if (!ReadLastBytes(strFileName, tag, iFileSize)) {
        return false;
    }
    if (!tag.startsWith("TAG")) {
        return true;
    }
    QFile file(strFileName);
    return file.open(QIODevice::ReadWrite) && file.resize(iFileSize - KTagSize);
}

QByteArray TID3v1::Build() const {
    QByteArray tag(KTagSize, '\0');
    tag.replace(0, 3, "TAG");
    const auto put = [&tag](int iOffset, const QString& strText) {
        const QByteArray bytes = strText.toLatin1();
        tag.replace(iOffset, bytes.size(), bytes);
    };
    put(KTitleAt, FTitle);
    put(KArtistAt, FArtist);
    put(KAlbumAt, FAlbum);
    put(KYearAt, FYear);
    put(KCommentAt, FComment);
    if (FTrack != 0) {
        tag[KZeroAt] = 0;
        tag[KTrackAt] = static_cast<char>(FTrack);
    }
    tag[KGenreAt] = static_cast<char>(FGenreID);
    return tag;
}

// An existing tag is overwritten in place rather than cut off and appended again, so no failure
// can leave the file without one.
bool TID3v1::SaveToFile(const QString& strFileName) {
    QByteArray oldTag;
    qint64 iFileSize = 0;
    if (!ReadLastBytes(strFileName, oldTag, iFileSize)) {
        return false;
    }
    QFile file(strFileName);
    if (!file.open(QIODevice::ReadWrite)) {
        return false;
    }
    const qint64 iAt = oldTag.startsWith("TAG") ? iFileSize - KTagSize : iFileSize;
    const QByteArray tag = Build();
    return file.seek(iAt) && file.write(tag) == tag.size() && file.flush();
}
