#include "net/MultiDownloader.h"

#include "net/YoutubeFLVGet.h"

TMultiDownloader::TMultiDownloader(QObject* owner)
    : QObject(owner), FList(new TDownloadList(this)) {
    connect(FList, &TDownloadList::OnProgress, this, &TMultiDownloader::OnProgress);
    connect(FList, &TDownloadList::OnStateChanged, this, &TMultiDownloader::OnStateChanged);
    connect(FList, &TDownloadList::OnFinishedEvent, this, &TMultiDownloader::OnFinishedEvent);
}

TMultiDownloader::~TMultiDownloader() {
    disconnect(FList, nullptr, this, nullptr);
    delete FList;
}

void TMultiDownloader::AdoptItem(TDownloadItem* item) {
    item->SetTimeouts(FConnectTimeout, FReceiveTimeout);
    connect(item, &TDownloadItem::OnError, this, &TMultiDownloader::OnErrorEvent);
    connect(item, &TDownloadItem::OnLog, this, &TMultiDownloader::OnLog);
    connect(item->FLVGet(), &TYoutubeFLVGet::OnBeforeGet, this, &TMultiDownloader::OnBeforeFlvGet);
}

bool TMultiDownloader::Append(const QString& aURL, const QString& aSaveFileName, bool aNeedRedirect,
                              ERedirectTheme aRedirectTheme, const QString& aRedirectURL) {
    auto* item = new TDownloadItem();
    item->SetURL(aURL);
    item->SetFileName(aSaveFileName);
    const TRedirOptions options{aNeedRedirect, aRedirectTheme, aRedirectURL};
    item->SetRedirectOptions(options);
    item->SetOrgRedirectOptions(options);
    if (!FList->Append(item)) {
        delete item;
        return false;
    }
    return true;
}

void TMultiDownloader::Resume() {
    for (int iIndex = FList->GetIdleIndex(); iIndex >= 0; iIndex = FList->GetIdleIndex()) {
        TDownloadItem* item = FList->Items(iIndex);
        item->Download();
        if (item->DownloadState() == EDownloadState::KReady) {
            // A start that left the task queued (its old worker still winding down) must not
            // spin here; the next Resume picks it up.
            break;
        }
    }
    int iCounted = 0;
    for (int i = 0; i < FList->ItemCount(); ++i) {
        TDownloadItem* item = FList->Items(i);
        const EDownloadState state = item->DownloadState();
        if (state == EDownloadState::KFinished || state == EDownloadState::KAbort ||
            state == EDownloadState::KFailed) {
            continue;
        }
        if (++iCounted > FList->MaxTasks()) {
            item->Reset();
        }
    }
}

void TMultiDownloader::StopAll() {
    for (int i = 0; i < FList->ItemCount(); ++i) {
        FList->Items(i)->Abort();
    }
}

bool TMultiDownloader::IsDownloading() const {
    for (int i = 0; i < FList->ItemCount(); ++i) {
        const EDownloadState state = FList->Items(i)->DownloadState();
        if (state != EDownloadState::KReady && state != EDownloadState::KFinished) {
            return true;
        }
    }
    return false;
}

int TMultiDownloader::MaxTasks() const {
    return FList->MaxTasks();
}

void TMultiDownloader::SetMaxTasks(int iMaxTasks) {
    FList->SetMaxTasks(iMaxTasks);
}

int TMultiDownloader::UnfinishedTasksCount() const {
    int iCount = 0;
    for (int i = 0; i < FList->ItemCount(); ++i) {
        iCount += FList->Items(i)->DownloadState() != EDownloadState::KFinished;
    }
    return iCount;
}

void TMultiDownloader::SetTimeouts(int iConnectMs, int iReceiveMs) {
    FConnectTimeout = iConnectMs;
    FReceiveTimeout = iReceiveMs;
    for (int i = 0; i < FList->ItemCount(); ++i) {
        FList->Items(i)->SetTimeouts(iConnectMs, iReceiveMs);
    }
}
