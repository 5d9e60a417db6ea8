#include "net/DownloadItem.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include "framework/KrLog.h"
#include "net/DownloadList.h"
#include "net/HttpDownloadThread.h"
#include "net/MultiDownloader.h"
#include "net/YoutubeFLVGet.h"

TDownloadItem::TDownloadItem(QObject* owner) : QObject(owner), FFLVGet(new TYoutubeFLVGet(this)) {
    connect(FFLVGet, &TYoutubeFLVGet::OnURIGot, this,
            [this](const QString& strURL, int) { HandleURIGot(strURL); });
    connect(FFLVGet, &TYoutubeFLVGet::OnBadResponse, this,
            [this](const QString&) { HandleBadResponse(); });
}

TDownloadItem::~TDownloadItem() {
    PrepareDestroy();
}

void TDownloadItem::SetTimeouts(int iConnectMs, int iReceiveMs) {
    FConnectTimeout = iConnectMs;
    FReceiveTimeout = iReceiveMs;
    FFLVGet->SetTimeouts(iConnectMs, iReceiveMs);
}

void TDownloadItem::PrepareDestroy() {
    FDestroyFlag = true;
    if (FThread) {
        FThread->Detach();
        FThread = nullptr;
    }
    FFLVGet->Cancel();
}

void TDownloadItem::SetState(EDownloadState state) {
    if (state == FDownloadState || FDestroyFlag) {
        return;
    }
    FDownloadState = state;
    emit OnItemStateChanged(this, FURL, state);
}

void TDownloadItem::RestoreState(EDownloadState state) {
    FDownloadState = state;
    if (state == EDownloadState::KFinished) {
        FProgressPercent = 100;
    }
}

void TDownloadItem::Download() {
    if (FURL.isEmpty()) {
        SetState(EDownloadState::KFailed);
        return;
    }
    if (FURLOrg.isEmpty()) {
        FURLOrg = FURL;
    }
    QDir().mkpath(QFileInfo(FFileName).absolutePath());
    if (FRedirectOptions.YesINeedRedirect) {
        FDownloadType = EDownloadType::KString;
    }
    StartTransfer(FDownloadType == EDownloadType::KFile);
}

void TDownloadItem::StartTransfer(bool bToFile) {
    if (FThread) {
        return;
    }
    THttpRequest request;
    request.URL = FURL;
    request.AcceptTypes = FAcceptTypes;
    request.Agent = FAgent;
    request.Referer = FReferer;
    request.UserName = FUserName;
    request.Password = FPassword;
    request.UseCache = FUseCache;
    request.BinaryData = FBinaryData;
    request.FailOnHttpError = bToFile;
    request.ConnectTimeoutMs = FConnectTimeout;
    request.ReceiveTimeoutMs = FReceiveTimeout;

    auto* thread = new THttpDownloadThread(request, bToFile, FFileName, FHttpCharset);
    FThread = thread;
    connect(thread, &TTransferThread::OnLog, this, &TDownloadItem::OnLog, Qt::QueuedConnection);
    const QString strThreadURL = FURL;
    thread->SetChunkHandler([this, strThreadURL](qint64 iTotal, qint64 iReaded) {
        emit OnItemProgress(this, strThreadURL, iTotal, iReaded);
        SetState(EDownloadState::KDownloading);
    });
    thread->SetDoneHandler([this](TTransferThread* done) { HandleDone(done); });
    thread->StartWork();
    SetState(EDownloadState::KBeforeConnecting);
}

void TDownloadItem::HandleDone(TTransferThread* thread) {
    const QPointer<TDownloadItem> self(this);
    const auto gone = [&self] { return !self || self->FDestroyFlag; };
    auto* worker = static_cast<THttpDownloadThread*>(thread);
    TKrLog::Write(QStringLiteral("Finished"), KNetLogTag);
    emit OnLog(QStringLiteral("Finished"));
    FThread = nullptr;
    FResult = worker->Result();
    if (FResult) {
        if (worker->ToFile()) {
            emit OnItemDoneFile(this, FURL, FFileName, worker->FileSize());
        } else {
            FResultString = worker->StringResult();
            if (!FRedirectOptions.YesINeedRedirect) {
                emit OnItemDoneString(this, FURL, FResultString);
            }
        }
    } else {
        emit OnError(this);
    }
    if (gone() || FThread) {
        return;
    }
    if (FRedirectOptions.YesINeedRedirect) {
        FRedirectOptions.YesINeedRedirect = false;
        Redirect();
        return;
    }
    SetState(FResult ? EDownloadState::KFinished : EDownloadState::KFailed);
}

void TDownloadItem::Redirect() {
    switch (FRedirectOptions.RedirectTheme) {
        case ERedirectTheme::KDirect:
            FURL = FRedirectOptions.RedirectURL;
            StartTransfer(true);
            return;
        case ERedirectTheme::KYouTube: {
            const qsizetype eq = FURL.indexOf(u'=');
            FYouTubeId = eq < 0 ? FURL : FURL.sliced(eq + 1);
            FFLVGet->SetYoutubeID(FYouTubeId);
            FFLVGet->Get();
            return;
        }
        case ERedirectTheme::KCustom: {
            const TMultiDownloader* owner = FList ? FList->Owner() : nullptr;
            if (!owner || !owner->OnRedirectEvent()) {
                break;
            }
            QString strURL = FURL;
            TRedirOptions options{FRedirectOptions.YesINeedRedirect, FRedirectOptions.RedirectTheme,
                                  QString()};
            owner->OnRedirectEvent()(this, FResultString, strURL, options);
            FURL = strURL;
            FRedirectOptions = options;
            Download();
            return;
        }
    }
    // A plan nobody can carry out must not hold its slot for ever.
    SetState(EDownloadState::KFailed);
}

void TDownloadItem::HandleURIGot(const QString& strURL) {
    if (strURL.isEmpty()) {
        SetState(EDownloadState::KFailed);
        return;
    }
    FURL = strURL;
    StartTransfer(true);
}

void TDownloadItem::HandleBadResponse() {
    SetState(EDownloadState::KFailed);
}

void TDownloadItem::StopWork() {
    if (FThread) {
        FThread->Detach();
        FThread = nullptr;
    }
    FFLVGet->Cancel();
    if (!FURLOrg.isEmpty()) {
        FURL = FURLOrg;
    }
    FRedirectOptions = FOrgRedirectOptions;
}

void TDownloadItem::Abort() {
    if (FDownloadState == EDownloadState::KFinished) {
        return;
    }
    StopWork();
    SetState(EDownloadState::KAbort);
    SetState(EDownloadState::KReady);
}

void TDownloadItem::Reset() {
    if (FDownloadState == EDownloadState::KFinished) {
        return;
    }
    StopWork();
    SetState(EDownloadState::KReady);
}

void TDownloadItem::ReDownload() {
    FFLVGet->Cancel();
    if (!FURLOrg.isEmpty()) {
        FURL = FURLOrg;
    }
    FRedirectOptions = FOrgRedirectOptions;
    SetState(EDownloadState::KReady);
}
