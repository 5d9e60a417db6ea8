#pragma once

#include <QString>

#include "framework/NameValueList.h"
#include "search/UrlInfo.h"

// The run-time state shared by search, preview and download: service information, current
// keyword and page, the previewed song and the current song request. One instance per run,
// owned by the main window.
class TCurrentInfo {
public:
    // Rebuilds MDInfo from the settings: "SearchKeyURL" then "DownloadURL". Without a search
    // address it tells the user to wait for the service information, leaves MDInfo empty and
    // answers false.
    bool GetMDInfo();

    QString DownloadListFileName;
    TNameValueList MDInfo;
    qint32 Page = 0;
    qint32 PID = 0;  // -1 from the start of each search until a song of it is previewed
    QString Keyword;
    TUrlInfo URLInfo;
    qint32 FlashPlayerWidth = 0;
    qint32 FlashPlayerHeight = 0;
};
