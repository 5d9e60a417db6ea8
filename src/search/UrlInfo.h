#pragma once

#include <QMetaType>
#include <QString>

// What a song request asks for. UA_PLAY and UA_DOWNLOAD are stored by number with download
// tasks; the others never leave the running program.
enum EURLACTION : quint8 {
    UA_NONE = 0,
    UA_PLAY = 1,
    UA_DOWNLOAD = 2,
    UA_FLIPPAGE = 3,
    UA_SEARCH = 4
};

// A song request, copied by value from the pages to the player and the download pipeline.
// Requests made from page links set Action, Id, SC_Key, Title, Long, Page and PId only.
struct TUrlInfo {
    EURLACTION Action = UA_NONE;
    QString Id;
    QString SC_Key;  // the search keyword under which the song was found
    QString Title;
    qint32 Long = 0;  // length in seconds
    QString SavePath;
    qint32 Page = 0;
    QString ConvertType;
    QString Popularity;
    qint32 PId = 0;  // position in the current search result list
    QString TempPath;
    QString Artist;
    QString Album;
    qint32 Bitrate = 0;

    bool operator==(const TUrlInfo&) const = default;
};

Q_DECLARE_METATYPE(TUrlInfo)
