#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "net/DownloadItem.h"
#include "net/DownloadList.h"

class TYoutubeFLVGet;

// Runs a queue of download tasks, at most MaxTasks transfers at a time, each on its own worker.
// Appending never starts anything; Resume starts what the slots allow. Every event is raised on
// the main thread; the sender of the list events is the list, and the index is the task's
// position at that moment.
class TMultiDownloader : public QObject {
    Q_OBJECT
public:
    // Chooses where a KCustom task goes after its page step: set strURL and all of options.
    using TRedirectHandler =
        std::function<void(TDownloadItem* sender, const QString& strResultContent, QString& strURL,
                           TRedirOptions& options)>;

    explicit TMultiDownloader(QObject* owner = nullptr);
    ~TMultiDownloader() override;

    // A new task at the end of the queue; false when the list refuses it (see
    // TDownloadList::Append).
    bool Append(const QString& aURL, const QString& aSaveFileName, bool aNeedRedirect,
                ERedirectTheme aRedirectTheme, const QString& aRedirectURL);
    // Starts queued tasks as slots allow and requeues the tasks beyond the slots.
    void Resume();
    void StopAll();
    // Some task is neither queued nor finished (a failed one counts).
    bool IsDownloading() const;

    int MaxTasks() const;
    void SetMaxTasks(int iMaxTasks);
    TDownloadList* DownloadList() const { return FList; }
    int UnfinishedTasksCount() const;

    void SetOnRedirectEvent(TRedirectHandler handler) { FOnRedirectEvent = std::move(handler); }
    const TRedirectHandler& OnRedirectEvent() const { return FOnRedirectEvent; }

    // Limits of every task's transfers, in milliseconds (defaults 30000 and 60000).
    int ConnectTimeout() const { return FConnectTimeout; }
    int ReceiveTimeout() const { return FReceiveTimeout; }
    void SetTimeouts(int iConnectMs, int iReceiveMs);

    // Wires a task into this engine; called by the list when it takes a task.
    void AdoptItem(TDownloadItem* item);

signals:
    void OnProgress(TDownloadList* sender, int iIndex, qint64 iTotalSize, qint64 iReaded);
    void OnStateChanged(TDownloadList* sender, int iIndex, EDownloadState state);
    void OnFinishedEvent(TDownloadList* sender, int iIndex, const QString& strFileName,
                         const QString& strResultString, qint64 iResultLength);
    // A task's transfer failed (not aborted); the task then goes on as usual.
    void OnErrorEvent(TDownloadItem* sender);
    // Raised at the start of every task's stream resolution: configure the resolver here.
    void OnBeforeFlvGet(TYoutubeFLVGet* sender);
    void OnLog(const QString& strLog);

private:
    TDownloadList* FList;
    TRedirectHandler FOnRedirectEvent;
    int FConnectTimeout = 30000;
    int FReceiveTimeout = 60000;
};
