#pragma once

#include <QString>
#include <QtGlobal>

// The ID3 version 2 tag at the start of an MP3 file, written as version 2.3 with the seven text
// frames the program knows (title, artist, album, track, year, genre, comment). Versions 2.3 and
// 2.4 are read; frames of other kinds are not kept. Text that ISO-8859-1 cannot hold is written
// as UTF-16.
class TID3v2 {
public:
    TID3v2() = default;
    void ResetData();

    bool Exists() const { return FExists; }
    // The major version of the tag found (3 for 2.3).
    quint8 VersionID() const { return FVersionID; }
    // The found tag's size with its header; 0 when none or when it claims more than the file.
    int Size() const { return FSize; }
    QString Title() const { return FTitle; }
    QString Artist() const { return FArtist; }
    QString Album() const { return FAlbum; }
    quint8 Track() const { return FTrack; }
    QString Year() const { return FYear; }
    QString Genre() const { return FGenre; }
    QString Comment() const { return FComment; }

    // Trailing spaces and control characters go.
    void SetTitle(const QString& strTitle);
    void SetArtist(const QString& strArtist);
    void SetAlbum(const QString& strAlbum);
    void SetTrack(quint8 iTrack) { FTrack = iTrack; }
    void SetYear(const QString& strYear);
    void SetGenre(const QString& strGenre);
    void SetComment(const QString& strComment);

    // True also when the file has no tag; false when it cannot be read or is under 10 bytes.
    bool ReadFromFile(const QString& strFileName);
    // Rewrites the file without its tag; false when it has none.
    bool RemoveFromFile(const QString& strFileName);
    // Rewrites the file with this tag in front, in place of any version 2 tag it had. The old
    // file stays whole until the new one is complete.
    bool SaveToFile(const QString& strFileName) const;

private:
    QByteArray Build() const;

    bool FExists = false;
    quint8 FVersionID = 0;
    int FSize = 0;
    QString FTitle;
    QString FArtist;
    QString FAlbum;
    quint8 FTrack = 0;
    QString FYear;
    QString FGenre;
    QString FComment;
};
