#pragma once

#include <QString>
#include <QtGlobal>

// The 128-byte ID3 version 1 / 1.1 tag at the end of an MP3 file. Reading keeps every field, so
// a save after changing some of them leaves the others as they were. Texts hold ISO-8859-1
// characters only; others become "?" when set.
class TID3v1 {
public:
    static constexpr int KTagSize = 128;
    static constexpr quint8 KNoGenre = 255;

    TID3v1() { ResetData(); }
    void ResetData();

    bool Exists() const { return FExists; }
    // 1 for version 1.0, 2 for version 1.1 (a track number in the comment's last bytes).
    quint8 VersionID() const { return FVersionID; }
    QString Title() const { return FTitle; }
    QString Artist() const { return FArtist; }
    QString Album() const { return FAlbum; }
    QString Year() const { return FYear; }
    QString Comment() const { return FComment; }
    quint8 Track() const { return FTrack; }
    quint8 GenreID() const { return FGenreID; }
    // The genre's name from the standard list; empty for none or an unknown number.
    QString Genre() const;

    // Trailing spaces and control characters go; then the first 30 characters (year: 4) stay.
    void SetTitle(const QString& strTitle);
    void SetArtist(const QString& strArtist);
    void SetAlbum(const QString& strAlbum);
    void SetYear(const QString& strYear);
    void SetComment(const QString& strComment);
    void SetTrack(quint8 iTrack) { FTrack = iTrack; }
    void SetGenreID(quint8 iGenreID) { FGenreID = iGenreID; }

    // True also when the file has no tag (Exists() is then false); false when the file cannot
    // be read or is shorter than a tag.
    bool ReadFromFile(const QString& strFileName);
    // Cuts the tag off the file; true when there was none.
    bool RemoveFromFile(const QString& strFileName);
    // Replaces the file's tag, or appends one. A file shorter than a tag is left alone (false).
    bool SaveToFile(const QString& strFileName);

private:
    QByteArray Build() const;

    bool FExists = false;
    quint8 FVersionID = 1;
    QString FTitle;
    QString FArtist;
    QString FAlbum;
    QString FYear;
    QString FComment;
    quint8 FTrack = 0;
    quint8 FGenreID = KNoGenre;
};
