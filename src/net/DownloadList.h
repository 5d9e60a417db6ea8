#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "net/DownloadItem.h"

class TMultiDownloader;

// The task queue of a TMultiDownloader, in start order. Owns its tasks; turns their events into
// the engine's (with the task's position as index) and runs the scheduling rules.
class TDownloadList : public QObject {
    Q_OBJECT
public:
    explicit TDownloadList(TMultiDownloader* owner);
    ~TDownloadList() override;

    int MaxTasks() const { return FMaxTasks; }
    void SetMaxTasks(int iMaxTasks) { FMaxTasks = iMaxTasks; }
    int ItemCount() const { return int(FItems.size()); }
    // The task at a position, or nullptr outside the list.
    TDownloadItem* Items(int iIndex) const;

    // Takes the task when no unfinished task began with its address and no task writes to its
    // file (case ignored); wires its events. False leaves the task with the caller.
    bool Append(TDownloadItem* item);
    void Remove(TDownloadItem* item);
    void RemoveByIndex(int iIndex);
    int IndexOf(const TDownloadItem* item) const;
    int GetIndexByURL(const QString& strURL, bool bIncludeFinished) const;
    int GetIndexByORGURL(const QString& strURL, bool bIncludeFinished) const;
    bool IsSaveFileNameExists(const QString& strFileName) const;
    // The next task to start, or -1: the first KReady task reached while fewer than MaxTasks
    // unfinished, unfailed tasks lie before it.
    int GetIdleIndex() const;
    void ClearAll();
    void ClearCompleted();
    void ClearInCompleted();
    void Exchange(int iIndexA, int iIndexB);
    void MoveUp(int iIndex);
    void MoveDown(int iIndex);

    // The task list file: written atomically; loading appends to the list.
    bool SaveToFile(const QString& strFileName) const;
    void LoadFromFile(const QString& strFileName);

    // The address a task was appended with, trimmed.
    QString Key(int iIndex) const { return FItems.value(iIndex).Key; }
    TMultiDownloader* Owner() const { return FOwner; }

signals:
    void OnProgress(TDownloadList* sender, int iIndex, qint64 iTotalSize, qint64 iReaded);
    void OnStateChanged(TDownloadList* sender, int iIndex, EDownloadState state);
    void OnFinishedEvent(TDownloadList* sender, int iIndex, const QString& strFileName,
                         const QString& strResultString, qint64 iResultLength);
    // The tasks or their order changed: a task was appended or removed, tasks were moved, or
    // the list was cleared.
    void OnListChanged(TDownloadList* sender);

private:
    struct TEntry {
        QString Key;
        TDownloadItem* Item = nullptr;
    };

    void HandleProgress(TDownloadItem* item, qint64 iTotalSize, qint64 iReaded);
    void HandleStateChanged(TDownloadItem* item, EDownloadState state);
    void HandleDoneFile(TDownloadItem* item, const QString& strFileName, qint64 iFileSize);
    void HandleDoneString(TDownloadItem* item, const QString& strResult);
    void FreeItem(TDownloadItem* item);
    void RemoveWhere(bool bFinished);

    TMultiDownloader* FOwner;
    int FMaxTasks = 5;
    QList<TEntry> FItems;
};
