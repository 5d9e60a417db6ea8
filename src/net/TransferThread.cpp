#include "net/TransferThread.h"

#include <QCoreApplication>
#include <thread>

#include "framework/KrLog.h"

namespace {
std::atomic_int GLiveCount = 0;
constexpr int KHandOffSpins = 200;

QEvent::Type HandOffEventType() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}
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
    FHandOffTotal = FFileSize;
    FHandOffReaded = FBytesReaded;
    FHandedOff.store(false, std::memory_order_relaxed);
    // This object lives on the main thread, so the event is handled there while the worker
    // waits. The answer usually comes within microseconds: a short spin spares the worker a
    // sleep and a wake-up per chunk.
    QCoreApplication::postEvent(this, new QEvent(HandOffEventType()));
    for (int i = 0; i < KHandOffSpins && !FHandedOff.load(std::memory_order_acquire); ++i) {
        std::this_thread::yield();
    }
    FHandedOff.wait(false, std::memory_order_acquire);
    return !FStop.load();
}

bool TTransferThread::event(QEvent* e) {
    if (e->type() != HandOffEventType()) {
        return QThread::event(e);
    }
    if (!FStop.load() && FChunkHandler) {
        FChunkHandler(FHandOffTotal, FHandOffReaded);
    }
    FHandedOff.store(true, std::memory_order_release);
    FHandedOff.notify_one();
    return true;
}

void TTransferThread::Log(const QString& strLine) {
    TKrLog::Write(strLine, KNetLogTag);
    if (!FStop.load()) {
        emit OnLog(strLine);
    }
}

THttpTransfer::THandlers TTransferThread::LogHandlers() {
    THttpTransfer::THandlers handlers;
    handlers.Log = [this](const QString& strLine) { Log(strLine); };
    return handlers;
}
