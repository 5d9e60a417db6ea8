#pragma once

#include <QObject>
#include <QString>

#include "net/HttpCharset.h"

class TSingleDownloaderThread;
class TTransferThread;

// Fetches one web address (http:// or https://, with or without a port) on a worker thread and
// hands the answer back on the main thread, as decoded text (GetString) or as a file (GetFile).
// One transfer at a time: a start call while a transfer runs is ignored, so a caller that
// reuses the component for a new address calls Abort first.
//
// Events (all on the main thread): exactly one of OnDoneString, OnDoneFile or OnError ends each
// fetch that was not aborted; OnProgress follows every chunk of at most 16384 bytes while the
// worker waits for it; an aborted fetch raises nothing, ever.
class TSingleDownloader : public QObject {
    Q_OBJECT
public:
    explicit TSingleDownloader(QObject* owner = nullptr);
    ~TSingleDownloader() override;

    QString URL() const { return FURL; }
    void SetURL(const QString& strURL) { FURL = strURL; }
    // Destination of GetFile; missing folders are created.
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& strFileName) { FFileName = strFileName; }
    // The one accepted media type sent with the request; empty sends "*".
    QString AcceptTypes() const { return FAcceptTypes; }
    void SetAcceptTypes(const QString& strTypes) { FAcceptTypes = strTypes; }
    // Empty leaves the HTTP library's default.
    QString Agent() const { return FAgent; }
    void SetAgent(const QString& strAgent) { FAgent = strAgent; }
    QString Referer() const { return FReferer; }
    void SetReferer(const QString& strReferer) { FReferer = strReferer; }
    QString UserName() const { return FUserName; }
    void SetUserName(const QString& strUserName) { FUserName = strUserName; }
    QString Password() const { return FPassword; }
    void SetPassword(const QString& strPassword) { FPassword = strPassword; }
    // False: plain-HTTP requests ask caches on the way to fetch afresh.
    bool UseCache() const { return FUseCache; }
    void SetUseCache(bool bUseCache) { FUseCache = bUseCache; }
    // True: an answer without Content-Length is not read and the fetch fails.
    bool BinaryData() const { return FBinaryData; }
    void SetBinaryData(bool bBinaryData) { FBinaryData = bBinaryData; }
    // True: the start call returns only after the completion event has run; the calling
    // thread's events keep being processed meanwhile.
    bool WaitThread() const { return FWaitThread; }
    void SetWaitThread(bool bWait) { FWaitThread = bWait; }
    THttpCharset HttpCharset() const { return FHttpCharset; }
    void SetHttpCharset(THttpCharset charset) { FHttpCharset = charset; }
    // Milliseconds before an unanswered connection attempt gives up (default 30000).
    int ConnectTimeout() const { return FConnectTimeout; }
    void SetConnectTimeout(int iMs) { FConnectTimeout = iMs; }
    // Milliseconds without a received byte after which a transfer fails (default 60000).
    int ReceiveTimeout() const { return FReceiveTimeout; }
    void SetReceiveTimeout(int iMs) { FReceiveTimeout = iMs; }
    // File of trusted certificate authorities; empty uses the system's store.
    QString CAFile() const { return FCAFile; }
    void SetCAFile(const QString& strFile) { FCAFile = strFile; }

    // Whether a transfer of this component runs.
    bool Busy() const { return FThread != nullptr; }
    // Result of the last completed fetch.
    bool LastResult() const { return FResult; }

    void GetString();
    void GetFile();
    // Detaches a running transfer: nothing is raised for it, and the next start may follow at
    // once. Does nothing when idle.
    void Abort();

signals:
    void OnDoneString(TSingleDownloader* sender, const QString& strResult);
    void OnDoneFile(TSingleDownloader* sender, const QString& strFileName, qint64 iFileSize);
    void OnError(TSingleDownloader* sender);
    // iTotalSize is the Content-Length, 0 when the answer has none.
    void OnProgress(TSingleDownloader* sender, qint64 iTotalSize, qint64 iReaded);
    void OnLog(const QString& strLog);

private:
    void Start(bool bToFile);
    void HandleDone(TTransferThread* thread);

    QString FURL;
    QString FFileName;
    QString FAcceptTypes = QStringLiteral("*/*");
    QString FAgent;
    QString FReferer;
    QString FUserName;
    QString FPassword;
    QString FCAFile;
    bool FUseCache = false;
    bool FBinaryData = false;
    bool FWaitThread = false;
    THttpCharset FHttpCharset = THttpCharset::KAnsi;
    int FConnectTimeout = 30000;
    int FReceiveTimeout = 60000;

    TSingleDownloaderThread* FThread = nullptr;
    bool FResult = false;
};
