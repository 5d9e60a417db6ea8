#include "net/DownloadList.h"

#include "net/MultiDownloader.h"
#include "net/TaskListFile.h"

namespace {

bool IsFinished(const TDownloadItem* item) {
    return item->DownloadState() == EDownloadState::KFinished;
}

}  // namespace

TDownloadList::TDownloadList(TMultiDownloader* owner) : QObject(owner), FOwner(owner) {}

TDownloadList::~TDownloadList() {
    for (const TEntry& entry : std::as_const(FItems)) {
        entry.Item->PrepareDestroy();
        delete entry.Item;
    }
}

TDownloadItem* TDownloadList::Items(int iIndex) const {
    return iIndex >= 0 && iIndex < FItems.size() ? FItems[iIndex].Item : nullptr;
}

bool TDownloadList::Append(TDownloadItem* item) {
    for (const TEntry& entry : std::as_const(FItems)) {
        // A task that never started has no first address to collide with.
        const QString strOrg = entry.Item->URLOrg();
        if ((!IsFinished(entry.Item) && !strOrg.isEmpty() && strOrg == item->URL()) ||
            entry.Item->FileName().compare(item->FileName(), Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    item->setParent(this);
    item->SetList(this);
    connect(item, &TDownloadItem::OnItemProgress, this,
            [this](TDownloadItem* sender, const QString&, qint64 iTotal, qint64 iReaded) {
                HandleProgress(sender, iTotal, iReaded);
            });
    connect(item, &TDownloadItem::OnItemStateChanged, this,
            [this](TDownloadItem* sender, const QString&, EDownloadState state) {
                HandleStateChanged(sender, state);
            });
    connect(item, &TDownloadItem::OnItemDoneFile, this,
            [this](TDownloadItem* sender, const QString&, const QString& strFileName,
                   qint64 iSize) { HandleDoneFile(sender, strFileName, iSize); });
    connect(item, &TDownloadItem::OnItemDoneString, this,
            [this](TDownloadItem* sender, const QString&, const QString& strResult) {
                HandleDoneString(sender, strResult);
            });
    if (FOwner) {
        FOwner->AdoptItem(item);
    }
    FItems.append({item->URL().trimmed(), item});
    emit OnListChanged(this);
    return true;
}

void TDownloadList::FreeItem(TDownloadItem* item) {
    // A task may be removed from inside one of its own events, so it goes when control returns
    // to the event loop; until then it is silent.
    item->PrepareDestroy();
    disconnect(item, nullptr, this, nullptr);
    item->SetList(nullptr);
    item->deleteLater();
}

void TDownloadList::Remove(TDownloadItem* item) {
    RemoveByIndex(IndexOf(item));
}

void TDownloadList::RemoveByIndex(int iIndex) {
    if (iIndex < 0 || iIndex >= FItems.size()) {
        return;
    }
    FreeItem(FItems.takeAt(iIndex).Item);
    emit OnListChanged(this);
}

int TDownloadList::IndexOf(const TDownloadItem* item) const {
    for (int i = 0; i < FItems.size(); ++i) {
        if (FItems[i].Item == item) {
            return i;
        }
    }
    return -1;
}

int TDownloadList::GetIndexByURL(const QString& strURL, bool bIncludeFinished) const {
    for (int i = 0; i < FItems.size(); ++i) {
        const TDownloadItem* item = FItems[i].Item;
        if ((bIncludeFinished || !IsFinished(item)) && item->URL() == strURL) {
            return i;
        }
    }
    return -1;
}

int TDownloadList::GetIndexByORGURL(const QString& strURL, bool bIncludeFinished) const {
    for (int i = 0; i < FItems.size(); ++i) {
        const TDownloadItem* item = FItems[i].Item;
        if ((bIncludeFinished || !IsFinished(item)) && item->URLOrg() == strURL) {
            return i;
        }
    }
    return -1;
}

bool TDownloadList::IsSaveFileNameExists(const QString& strFileName) const {
    for (const TEntry& entry : FItems) {
        if (entry.Item->FileName().compare(strFileName, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

int TDownloadList::GetIdleIndex() const {
    int iActive = 0;
    for (int i = 0; i < FItems.size() && iActive < FMaxTasks; ++i) {
        const EDownloadState state = FItems[i].Item->DownloadState();
        if (state == EDownloadState::KReady) {
            return i;
        }
        if (state != EDownloadState::KFinished && state != EDownloadState::KFailed) {
            ++iActive;
        }
    }
    return -1;
}

void TDownloadList::ClearAll() {
    if (FItems.isEmpty()) {
        return;
    }
    // Freeing stops every worker and resolution; the tasks raise nothing on the way out.
    while (!FItems.isEmpty()) {
        FreeItem(FItems.takeLast().Item);
    }
    emit OnListChanged(this);
}

void TDownloadList::RemoveWhere(bool bFinished) {
    for (int i = int(FItems.size()) - 1; i >= 0; --i) {
        if (IsFinished(FItems[i].Item) == bFinished) {
            RemoveByIndex(i);
        }
    }
}

void TDownloadList::ClearCompleted() {
    RemoveWhere(true);
}

void TDownloadList::ClearInCompleted() {
    RemoveWhere(false);
}

void TDownloadList::Exchange(int iIndexA, int iIndexB) {
    if (iIndexA >= 0 && iIndexB >= 0 && iIndexA < FItems.size() && iIndexB < FItems.size()) {
        FItems.swapItemsAt(iIndexA, iIndexB);
        emit OnListChanged(this);
    }
}

void TDownloadList::MoveUp(int iIndex) {
    if (iIndex > 0) {
        Exchange(iIndex, iIndex - 1);
    }
}

void TDownloadList::MoveDown(int iIndex) {
    if (iIndex >= 0 && iIndex + 1 < FItems.size()) {
        Exchange(iIndex, iIndex + 1);
    }
}

bool TDownloadList::SaveToFile(const QString& strFileName) const {
    return TTaskListFile::Save(*this, strFileName);
}

void TDownloadList::LoadFromFile(const QString& strFileName) {
    TTaskListFile::Load(*this, strFileName);
}

void TDownloadList::HandleProgress(TDownloadItem* item, qint64 iTotalSize, qint64 iReaded) {
    const int iIndex = IndexOf(item);
    if (iIndex < 0 || IsFinished(item)) {
        return;
    }
    if (iTotalSize > 0) {
        item->SetProgressPercent(int(iReaded * 100 / iTotalSize));
    }
    if (!item->RedirectOptions().YesINeedRedirect) {
        emit OnProgress(this, iIndex, iTotalSize, iReaded);
    }
}

void TDownloadList::HandleStateChanged(TDownloadItem* item, EDownloadState state) {
    emit OnStateChanged(this, IndexOf(item), state);
    if (state == EDownloadState::KFinished && FOwner) {
        FOwner->Resume();
    }
}

void TDownloadList::HandleDoneFile(TDownloadItem* item, const QString& strFileName,
                                   qint64 iFileSize) {
    emit OnFinishedEvent(this, IndexOf(item), strFileName, QString(), iFileSize);
}

void TDownloadList::HandleDoneString(TDownloadItem* item, const QString& strResult) {
    emit OnFinishedEvent(this, IndexOf(item), QString(), strResult, strResult.size());
}
