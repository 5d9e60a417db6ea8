#include "net/HttpDownloadThread.h"

#include <QFile>

namespace {
constexpr qsizetype KWriteBlockSize = 256 * 1024;
}  // namespace

THttpDownloadThread::THttpDownloadThread(const THttpRequest& request, bool bToFile,
                                         const QString& strFileName, THttpCharset charset)
    : TTransferThread(request), FTToFile(bToFile), FTFileName(strFileName), FHttpCharset(charset) {}

bool THttpDownloadThread::Work() {
    Log(QStringLiteral("==============HttpOpenRequest begin==============="));
    QString strHost;
    QString strPath;
    THttpTransfer::SplitAddress(FRequest.URL, strHost, strPath);
    Log(QLatin1String("filename=") + strPath);
    Log(QLatin1String("Referer=") + FRequest.Referer);
    Log(QStringLiteral("==============HttpOpenRequest end==============="));

    QFile file(FTFileName);
    QByteArray body;
    // File data is written in large blocks: one system call per block instead of per chunk.
    QByteArray pending;
    bool bWriteFailed = false;
    const auto flush = [&] {
        bWriteFailed = bWriteFailed || file.write(pending) != pending.size();
        pending.resize(0);
        return !bWriteFailed;
    };
    THttpTransfer::THandlers handlers = LogHandlers();
    handlers.BodyStart = [&](const THttpResult& head) {
        if (FTToFile) {
            pending.reserve(KWriteBlockSize + THttpTransfer::ChunkSize);
        }
        Log(QStringLiteral("=======HttpQueryInfo begin========"));
        Log(head.ContentLength >= 0 ? QStringLiteral("ok!") : QStringLiteral("bu ok"));
        Log(QStringLiteral("=======HttpQueryInfo end========"));
        if ((head.ContentLength < 0 && FRequest.BinaryData) ||
            (FRequest.FailOnHttpError && head.Status >= 400)) {
            return false;
        }
        FFileSize = qMax<qint64>(head.ContentLength, 0);
        // The file is created, or emptied, only once an answer worth keeping begins.
        return !FTToFile ||
               file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    };
    handlers.Chunk = [&](QByteArrayView chunk) {
        if (FTToFile) {
            pending.append(chunk);
            if (pending.size() >= KWriteBlockSize && !flush()) {
                return false;
            }
        } else {
            body.append(chunk);
        }
        FBytesReaded += chunk.size();
        return HandOffProgress();
    };
    const THttpResult result = THttpTransfer::Run(FRequest, StopFlag(), handlers);
    if (file.isOpen()) {
        flush();
    }
    file.close();
    if (!result.Complete || bWriteFailed) {
        return false;
    }
    if (FTToFile) {
        return FFileSize != 0 && FBytesReaded == FFileSize;
    }
    if (body.isEmpty()) {
        return false;
    }
    FTStringResult = DecodeHttpText(body, FHttpCharset);
    return true;
}
