#include "net/SingleDownloader.h"

#include <QEventLoop>

#include "net/SingleDownloaderThread.h"

TSingleDownloader::TSingleDownloader(QObject* owner) : QObject(owner) {}

TSingleDownloader::~TSingleDownloader() {
    Abort();
}

void TSingleDownloader::GetString() {
    Start(false);
}

void TSingleDownloader::GetFile() {
    Start(true);
}

void TSingleDownloader::Start(bool bToFile) {
    if (FThread) {
        return;
    }
    THttpRequest request;
    request.URL = FURL;
    request.AcceptTypes = FAcceptTypes.isEmpty() ? QStringLiteral("*") : FAcceptTypes;
    request.Agent = FAgent;
    request.Referer = FReferer;
    request.UserName = FUserName;
    request.Password = FPassword;
    request.CAFile = FCAFile;
    request.UseCache = FUseCache;
    request.ReloadHttps = false;
    request.BinaryData = FBinaryData;
    request.FailOnHttpError = bToFile;
    request.ConnectTimeoutMs = FConnectTimeout;
    request.ReceiveTimeoutMs = FReceiveTimeout;

    auto* thread = new TSingleDownloaderThread(request, bToFile, FFileName, FHttpCharset);
    FThread = thread;
    connect(thread, &TTransferThread::OnLog, this, &TSingleDownloader::OnLog, Qt::QueuedConnection);
    thread->SetChunkHandler(
        [this](qint64 iTotal, qint64 iReaded) { emit OnProgress(this, iTotal, iReaded); });
    thread->SetDoneHandler([this](TTransferThread* done) { HandleDone(done); });
    thread->StartWork();

    if (FWaitThread) {
        QEventLoop loop;
        connect(thread, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void TSingleDownloader::Abort() {
    if (!FThread) {
        return;
    }
    FThread->Detach();
    FThread = nullptr;
}

void TSingleDownloader::HandleDone(TTransferThread* thread) {
    auto* worker = static_cast<TSingleDownloaderThread*>(thread);
    FThread = nullptr;
    FResult = worker->Result();
    if (!FResult) {
        emit OnError(this);
    } else if (worker->ToFile()) {
        emit OnDoneFile(this, worker->FileName(), worker->FileSize());
    } else {
        emit OnDoneString(this, worker->StringResult());
    }
}
