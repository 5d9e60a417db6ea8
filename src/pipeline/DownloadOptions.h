#pragma once

#include <QString>
#include <QStringList>

#include "search/UrlInfo.h"

// What the download options dialog proposes for one song and remembers between downloads: file
// name, folder, bit rate, tag values and the recent folders, artists and albums. The dialog
// shows and edits it; the command-line program takes its proposals as they are.
class TDownloadOptions {
public:
    static constexpr int KMaxTitleLength = 30;
    static constexpr QLatin1String KMp3Extension{".mp3"};

    // Reads the remembered choices from the settings store.
    void Load();
    // Writes them back; a typed artist or album joins its recent list.
    void Save() const;

    // Fills title and file name from a song request.
    void SetInfo(const TUrlInfo& info);
    const TUrlInfo& Info() const { return FInfo; }
    // The request's title, form-decoded and then with &amp; &lt; &gt; &quot; and &#NN; resolved;
    // a step that fails leaves the text as it was before it; empty becomes "undefined".
    static QString DecodeTitle(const QString& strTitle);

    QString Title() const { return FTitle; }
    void SetTitle(const QString& strTitle);
    QString Artist() const { return FArtist; }
    void SetArtist(const QString& strArtist);
    QString Album() const { return FAlbum; }
    void SetAlbum(const QString& strAlbum) { FAlbum = strAlbum; }
    QString FileName() const { return FFileName; }
    // A name the user typed: proposals no longer replace it.
    void SetFileName(const QString& strFileName);
    QString Folder() const { return FFolder; }
    void SetFolder(const QString& strFolder) { FFolder = strFolder; }
    int BitratePosition() const { return FBitratePosition; }
    void SetBitratePosition(int iPosition) { FBitratePosition = iPosition; }
    // 0 → 64, 1 → 128, 2 → 192, 3 → 320 kbit/s; iFallback for any other position.
    static int BitrateOfPosition(int iPosition, int iFallback);
    // The position whose bit rate is iBitrate, or -1.
    static int PositionOfBitrate(int iBitrate);
    bool ShowTagEdit() const { return FShowTagEdit; }
    bool TitleTooLong() const { return FTitleTooLong; }

    const QStringList& RecentFolders() const { return FRecentFolders; }
    // A folder chosen in the browser goes to the top; ten are kept.
    void AddRecentFolder(const QString& strFolder);
    const QStringList& RecentArtists() const { return FRecentArtists; }
    const QStringList& RecentAlbums() const { return FRecentAlbums; }

    // The target path: the cleaned file name in the folder, with strExt unless it has it.
    QString GetSaveToFullPath(const QString& strExt) const;
    // Whether the folder exists or could be created; only absolute folders are created.
    bool EnsureFolder() const;

private:
    void ProposeFileName();

    TUrlInfo FInfo;
    QString FTitle;
    QString FArtist;
    QString FAlbum;
    QString FFileName;
    QString FFolder;
    int FBitratePosition = 0;
    bool FAutoRename = false;
    bool FShowTagEdit = false;
    bool FTitleTooLong = false;
    bool FFileNameModified = false;
    QStringList FRecentFolders;
    QStringList FRecentArtists;
    QStringList FRecentAlbums;
};
