#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "net/HttpCharset.h"

class TDownloadList;
class TTransferThread;
class TYoutubeFLVGet;

// A task's state; stored by number in the task list file.
enum class EDownloadState : int {
    KNone = 0,
    KReady = 1,  // queued, waiting for a slot
    KRedirecting = 2,
    KBeforeConnecting = 3,  // a worker was started
    KDownloading = 4,       // a chunk arrived; also held while the stream resolver works
    KFinished = 5,
    KAbort = 6,  // passed through on abort on the way to KReady
    KFailed = 7,
};

enum class EDownloadType : int { KFile = 0, KString = 1 };

enum class ERedirectTheme : int { KDirect = 0, KYouTube = 1, KCustom = 2 };

// What a task does after its page step.
struct TRedirOptions {
    // The next transfer is a page step followed by a redirect.
    bool YesINeedRedirect = false;
    ERedirectTheme RedirectTheme = ERedirectTheme::KYouTube;
    // Target of KDirect.
    QString RedirectURL;

    bool operator==(const TRedirOptions&) const = default;
};

// One download task: brings one address into one file on its own worker, optionally after a
// page step that redirects it to a fixed address, to a video's media stream or to an address
// chosen by the engine's redirect handler. Lives on the main thread, owned by its list.
class TDownloadItem : public QObject {
    Q_OBJECT
public:
    explicit TDownloadItem(QObject* owner = nullptr);
    ~TDownloadItem() override;

    QString AcceptTypes() const { return FAcceptTypes; }
    void SetAcceptTypes(const QString& str) { FAcceptTypes = str; }
    QString Agent() const { return FAgent; }
    void SetAgent(const QString& str) { FAgent = str; }
    bool BinaryData() const { return FBinaryData; }
    void SetBinaryData(bool b) { FBinaryData = b; }
    // The current address: as appended, then the redirect target or the stream address.
    QString URL() const { return FURL; }
    void SetURL(const QString& str) { FURL = str; }
    // The address at the first start, to which abort, reset and restart return.
    QString URLOrg() const { return FURLOrg; }
    QString YouTubeId() const { return FYouTubeId; }
    bool UseCache() const { return FUseCache; }
    void SetUseCache(bool b) { FUseCache = b; }
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& str) { FFileName = str; }
    QString UserName() const { return FUserName; }
    void SetUserName(const QString& str) { FUserName = str; }
    QString Password() const { return FPassword; }
    void SetPassword(const QString& str) { FPassword = str; }
    QString Referer() const { return FReferer; }
    void SetReferer(const QString& str) { FReferer = str; }
    int ProgressPercent() const { return FProgressPercent; }
    void SetProgressPercent(int iPercent) { FProgressPercent = iPercent; }
    TRedirOptions RedirectOptions() const { return FRedirectOptions; }
    void SetRedirectOptions(const TRedirOptions& options) { FRedirectOptions = options; }
    // The plan as appended; saved in the task list file.
    TRedirOptions OrgRedirectOptions() const { return FOrgRedirectOptions; }
    void SetOrgRedirectOptions(const TRedirOptions& options) { FOrgRedirectOptions = options; }
    EDownloadType DownloadType() const { return FDownloadType; }
    EDownloadState DownloadState() const { return FDownloadState; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& str) { FCaption = str; }
    // Caller data, name=value lines; the engine stores them without looking at them.
    QStringList Comment() const { return FComment; }
    void SetComment(const QStringList& lines) { FComment = lines; }
    // Page text of the last page step.
    QString ResultString() const { return FResultString; }
    THttpCharset HttpCharset() const { return FHttpCharset; }
    void SetHttpCharset(THttpCharset charset) { FHttpCharset = charset; }
    void SetTimeouts(int iConnectMs, int iReceiveMs);
    TYoutubeFLVGet* FLVGet() const { return FFLVGet; }
    // Whether a worker of this task runs.
    bool Busy() const { return FThread != nullptr; }
    // Result of the last completed transfer.
    bool LastResult() const { return FResult; }

    // Starts the task: a page step when a redirect is planned, else the file transfer.
    void Download();
    // Stops the task and queues it again (KAbort, then KReady), back at its first address and
    // plan; a finished task is left alone.
    void Abort();
    // As Abort, straight to KReady.
    void Reset();
    // Queues the task again from its first address, whatever its state.
    void ReDownload();
    // A restored task's state, set without an event.
    void RestoreState(EDownloadState state);

    // Set by the list that owns the task.
    void SetList(TDownloadList* list) { FList = list; }
    // The task is going away: stops its work and raises nothing more.
    void PrepareDestroy();

signals:
    void OnItemProgress(TDownloadItem* sender, const QString& strURL, qint64 iTotalSize,
                        qint64 iReaded);
    void OnItemDoneFile(TDownloadItem* sender, const QString& strURL, const QString& strFileName,
                        qint64 iFileSize);
    void OnItemDoneString(TDownloadItem* sender, const QString& strURL, const QString& strResult);
    void OnItemStateChanged(TDownloadItem* sender, const QString& strURL, EDownloadState state);
    // A transfer failed that was not aborted.
    void OnError(TDownloadItem* sender);
    void OnLog(const QString& strLog);

private:
    void SetState(EDownloadState state);
    void StartTransfer(bool bToFile);
    void HandleDone(TTransferThread* thread);
    void Redirect();
    void HandleURIGot(const QString& strURL);
    void HandleBadResponse();
    // Detaches the worker and abandons a resolution; the task returns to its first address.
    void StopWork();

    QString FAcceptTypes = QStringLiteral("*/*");
    QString FAgent = QStringLiteral("MultiDownloader");
    bool FBinaryData = false;
    QString FURL;
    QString FYouTubeId;
    QString FURLOrg;
    bool FUseCache = false;
    QString FFileName;
    QString FUserName;
    QString FPassword;
    QString FReferer;
    TTransferThread* FThread = nullptr;
    bool FResult = false;
    int FProgressPercent = 0;
    bool FDestroyFlag = false;
    TRedirOptions FRedirectOptions;
    TRedirOptions FOrgRedirectOptions;
    THttpCharset FHttpCharset = THttpCharset::KAnsi;
    TYoutubeFLVGet* FFLVGet;
    EDownloadType FDownloadType = EDownloadType::KFile;
    EDownloadState FDownloadState = EDownloadState::KReady;
    QString FCaption;
    QStringList FComment;
    QString FResultString;
    int FConnectTimeout = 30000;
    int FReceiveTimeout = 60000;
    TDownloadList* FList = nullptr;
};
