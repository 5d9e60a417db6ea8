#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class TSingleDownloader;

// Which page of the video service is fetched and how it is read.
enum class TYoutubeFLVGetMethod : int {
    // The information page: its "token" builds the stream address.
    KFromGetInfo = 0,
    // The watch page: the player arguments' "t" builds the stream address; when that fails the
    // information page is tried.
    KFromWatch = 1,
    // The watch page's player configuration: its format table names the stream address.
    KFromWatch2 = 2,
};

// Turns a video identifier into the address of a playable media stream. Users set the
// configuration in OnBeforeGet, which starts every resolution. Each resolution ends in exactly
// one report on the main thread, OnURIGot with an address or OnBadResponse, unless a newer Get
// or Cancel abandoned it first.
class TYoutubeFLVGet : public QObject {
    Q_OBJECT
public:
    explicit TYoutubeFLVGet(QObject* owner = nullptr);
    ~TYoutubeFLVGet() override;

    QString YoutubeID() const { return FYoutubeID; }
    void SetYoutubeID(const QString& strID) { FYoutubeID = strID; }
    TYoutubeFLVGetMethod Method() const { return FMethod; }
    void SetMethod(TYoutubeFLVGetMethod method) { FMethod = method; }
    QString YoutubeWatchURI() const { return FYoutubeWatchURI; }
    void SetYoutubeWatchURI(const QString& str) { FYoutubeWatchURI = str; }
    QString YoutubeGetInfoURI() const { return FYoutubeGetInfoURI; }
    void SetYoutubeGetInfoURI(const QString& str) { FYoutubeGetInfoURI = str; }
    QString YoutubeGetVideoURI() const { return FYoutubeGetVideoURI; }
    void SetYoutubeGetVideoURI(const QString& str) { FYoutubeGetVideoURI = str; }
    QString YoutubeWatchPattern() const { return FYoutubeWatchPattern; }
    void SetYoutubeWatchPattern(const QString& str) { FYoutubeWatchPattern = str; }
    QString YoutubeWatchPattern2() const { return FYoutubeWatchPattern2; }
    void SetYoutubeWatchPattern2(const QString& str) { FYoutubeWatchPattern2 = str; }
    QString SplitStr() const { return FSplitStr; }
    void SetSplitStr(const QString& str) { FSplitStr = str; }
    bool NeedURLDecode() const { return FNeedURLDecode; }
    void SetNeedURLDecode(bool bDecode) { FNeedURLDecode = bDecode; }
    // Kept for the users; the resolution itself does not read it.
    QString FLVURLFormat() const { return FFLVURLFormat; }
    void SetFLVURLFormat(const QString& str) { FFLVURLFormat = str; }
    // Limits of the page fetches, in milliseconds.
    void SetTimeouts(int iConnectMs, int iReceiveMs);

    // Copies the nine resolver keys of the settings store into the properties; the usual
    // OnBeforeGet handler.
    void LoadSettings();

    // Starts a resolution of YoutubeID; an earlier one still under way is abandoned.
    void Get();
    // Abandons the resolution under way: nothing more is reported for it.
    void Cancel();
    // Whether a resolution is under way.
    bool Busy() const { return FBusy; }

signals:
    void OnBeforeGet(TYoutubeFLVGet* sender);
    // aBestFMT is always -1.
    void OnURIGot(const QString& aURL, int aBestFMT);
    // aMsg is the text that was searched, or empty when no page could be fetched.
    void OnBadResponse(const QString& aMsg);

private:
    struct TOutcome {
        QString URL;
        QString Searched;
    };

    void Fetch(TYoutubeFLVGetMethod method);
    void HandlePage(const QString& strPage);
    void HandleFetchError();
    void Finish(const TOutcome& outcome);
    void ReportBad(const QString& strMsg);
    void ReportLater(const TOutcome& outcome);

    TOutcome FromGetInfo(const QString& strPage) const;
    TOutcome FromWatch(const QString& strPage) const;
    TOutcome FromWatch2(const QString& strPage) const;
    QString TokenAddress(const QString& strToken) const;

    QString FYoutubeID;
    TYoutubeFLVGetMethod FMethod = TYoutubeFLVGetMethod::KFromWatch;
    QString FYoutubeWatchURI;
    QString FYoutubeGetInfoURI;
    QString FYoutubeGetVideoURI;
    QString FYoutubeWatchPattern;
    QString FYoutubeWatchPattern2;
    QString FSplitStr = QStringLiteral("&");
    bool FNeedURLDecode = true;
    QString FFLVURLFormat;

    // The page fetcher of the first two methods and the worker of the third.
    TSingleDownloader* FSD;
    TSingleDownloader* FID;
    // Which method the page being fetched belongs to.
    TYoutubeFLVGetMethod FFetching = TYoutubeFLVGetMethod::KFromWatch;
    bool FBusy = false;
    // Tells reports queued for an abandoned resolution from current ones.
    quint64 FGeneration = 0;
};
