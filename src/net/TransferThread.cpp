#include "net/TransferThread.h"

#include "framework/KrLog.h"

namespace {
std::atomic_int GLiveCount = 0;
const QString KLogTag = QStringLiteral("KrNet");
}  // namespace

TTransferThread::TTransferThread(const THttpRequest& request) : FRequest(request) {
    ++GLiveCount;
    connect(this, &QThread::finished, this, &TTransferThread::HandleFinished);
}

TTransferThread::~TTransferThread() {
    --GLiveCount;
}

int TTransferThread::LiveCount() {
    return GLiveCount.load();
}

void TTransferThread::StartWork() {
    start();
}

void TTransferThread::Detach() {
    FStop = true;
    FChunkHandler = nullptr;
    FDoneHandler = nullptr;
    disconnect(this, &TTransferThread::OnLog, nullptr, nullptr);
}

void TTransferThread::run() {
    try {
        FResult = Work() && !FStop.load();
    } catch (...) {
        // Nothing escapes a worker; the transfer simply failed.
        FResult = false;
    }
}

void TTransferThread::HandleFinished() {
    wait();
    if (FDoneHandler) {
        const TDoneHandler handler = std::move(FDoneHandler);
        FDoneHandler = nullptr;
        FChunkHandler = nullptr;
        handler(this);
    }
    deleteLater();
}

bool TTransferThread::HandOffProgress() {
    if (FStop.load()) {
        return false;
    }
    const qint64 iTotal = FFileSize;
    const qint64 iReaded = FBytesReaded;
    // This object lives on the main thread, so the call runs there while the worker waits.
    QMetaObject::invokeMethod(
        this,
        [this, iTotal, iReaded] {
            if (!FStop.load() && FChunkHandler) {
                FChunkHandler(iTotal, iReaded);
            }
        },
        Qt::BlockingQueuedConnection);
    return !FStop.load();
}

void TTransferThread::Log(const QString& strLine) {
    TKrLog::Write(strLine, KLogTag);
    if (!FStop.load()) {
        emit OnLog(strLine);
    }
}

THttpTransfer::THandlers TTransferThread::LogHandlers() {
    THttpTransfer::THandlers handlers;
    handlers.Log = [this](const QString& strLine) { Log(strLine); };
    return handlers;
}
