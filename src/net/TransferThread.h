#pragma once

#include <QThread>
#include <atomic>
#include <functional>

#include "net/HttpTransfer.h"

// A worker running one transfer. It works on its own copy of the request, hands every chunk's
// progress to the main thread and waits until that has run, and delivers its end on the main
// thread. Its owner may detach it at any time: from then on nothing of it reaches the owner
// again, and it stops at its next check and frees itself.
class TTransferThread : public QThread {
    Q_OBJECT
public:
    using TChunkHandler = std::function<void(qint64 iTotalSize, qint64 iReaded)>;
    using TDoneHandler = std::function<void(TTransferThread* thread)>;

    // Created on the main thread, which then owns its handlers.
    explicit TTransferThread(const THttpRequest& request);
    ~TTransferThread() override;

    void SetChunkHandler(TChunkHandler handler) { FChunkHandler = std::move(handler); }
    void SetDoneHandler(TDoneHandler handler) { FDoneHandler = std::move(handler); }
    // Starts the work; the thread frees itself after its end was delivered.
    void StartWork();
    // Stops and forgets: no handler of the owner runs any more.
    void Detach();

    // Valid in the done handler.
    bool Result() const { return FResult; }
    const THttpRequest& Request() const { return FRequest; }
    // Content-Length of the answer, 0 when it had none.
    qint64 FileSize() const { return FFileSize; }
    qint64 BytesReaded() const { return FBytesReaded; }

    // Workers alive in the process, detached ones included.
    static int LiveCount();

signals:
    // Emitted on the worker thread; owners connect it queued.
    void OnLog(const QString& strLog);

protected:
    // The transfer, on the worker thread; its return value is the result.
    virtual bool Work() = 0;

    // Worker side: runs the owner's chunk handler on the main thread and waits for it. False when
    // the worker was told to stop.
    bool HandOffProgress();
    bool Stopped() const { return FStop.load(); }
    const std::atomic_bool& StopFlag() const { return FStop; }
    void Log(const QString& strLine);
    THttpTransfer::THandlers LogHandlers();

    const THttpRequest FRequest;
    qint64 FFileSize = 0;
    qint64 FBytesReaded = 0;

    bool event(QEvent* e) override;

private:
    void run() override;
    void HandleFinished();

    std::atomic_bool FStop = false;
    // Set by the main thread once it has run a handed-off chunk.
    std::atomic_bool FHandedOff = false;
    qint64 FHandOffTotal = 0;
    qint64 FHandOffReaded = 0;
    bool FResult = false;
    TChunkHandler FChunkHandler;
    TDoneHandler FDoneHandler;
};
