#pragma once

#include <QObject>
#include <QString>

#include "framework/NameValueList.h"
#include "net/DownloadItem.h"
#include "search/UrlInfo.h"

class IDownloadView;
class TCurrentInfo;
class TDownloadList;
class TDownloadOptions;
class TMultiDownloader;
struct TTerminateInfo;

// Turns song requests into finished, converted and tagged MP3 files: queues each as a download
// task with its data in the task's comment, keeps the view in step with the task engine,
// converts a finished download, tags the result, and keeps the saved queue current. Lives on the
// main thread; conversions and tagging run on their own threads.
class TDownloadPipeline : public QObject {
    Q_OBJECT
public:
    TDownloadPipeline(TMultiDownloader* downloader, TCurrentInfo* currentInfo, IDownloadView* view,
                      QObject* parent = nullptr);

    // Settles the request from the accepted options (tags, unique target and temporary paths,
    // bit rate) and queues it. False when the engine refused the task.
    bool QueueSong(TUrlInfo info, const TDownloadOptions& options);
    // Queues a settled request; a refused one shows MsgBox.TaskExists. Resumes the engine.
    bool AddDownloadTask(const TUrlInfo& info);

    // The first of path, (1)name, (2)name ... that neither exists nor is a queued target.
    QString FixFileName(const QString& aFilePath) const;
    bool IsSavePathQueued(const QString& aPath) const;
    // The temporary download folder with a trailing "/", created when missing.
    QString GetTempDownloadDir() const;
    void ClearTempDownloadDir() const;

    // Loads the saved queue, as it is.
    void LoadDownloadList();
    // Loads the saved queue and offers to restart its unfinished tasks.
    void RestoreDownloadList();
    // Writes the queue to its file now.
    bool SaveDownloadList() const;
    // Writes the queue when control returns to the event loop, once for any number of changes
    // until then; every change of the queue, its tasks' states or their data asks for it.
    void ScheduleSave();
    void UpdateTaskStatus();

    // A task's song data, as AddDownloadTask wrote it; empty for no task.
    static TNameValueList CommentOf(const TDownloadItem* item);
    static void WriteSongTags(const QString& aFileName, const QString& aTitle,
                              const QString& aArtist, const QString& aAlbum);
    // "%.2d:%.2d" of a length in seconds.
    static QString LengthText(int iSeconds);
    static QString StateText(EDownloadState state);
    // -1 for the states that leave the icon as it is.
    static int StateIcon(EDownloadState state);

signals:
    // A song's conversion and tagging ended (bConverted false: no usable MP3 was written).
    void OnSongFinished(const QString& strSavePath, bool bConverted);

private:
    void HandleProgress(int iIndex, qint64 iTotalSize, qint64 iReaded);
    void HandleStateChanged(int iIndex, EDownloadState state);
    void HandleFinished(int iIndex, const QString& strFileName, qint64 iResultLength);
    void EncoderTerminated(QObject* sender, const TTerminateInfo& info, const QString& strSavePath);
    // Runs on the release thread.
    void ConvertFinished(const QString& aFileName);
    // The first task whose target is aPath, or -1.
    int IndexBySavePath(const QString& aPath) const;
    TDownloadList* List() const;

    TMultiDownloader* FDownloader;
    TCurrentInfo* FCurrentInfo;
    IDownloadView* FView;
    bool FSaveScheduled = false;
};
