#include "net/SingleDownloaderThread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "framework/KrUtils.h"

TSingleDownloaderThread::TSingleDownloaderThread(const THttpRequest& request, bool bToFile,
                                                 const QString& strFileName, THttpCharset charset)
    : TTransferThread(request), FTToFile(bToFile), FTFileName(strFileName), FHttpCharset(charset) {}

bool TSingleDownloaderThread::Work() {
    return FTToFile ? FetchToFile() : FetchText();
}

bool TSingleDownloaderThread::FetchText() {
    QByteArray body;
    THttpTransfer::THandlers handlers = LogHandlers();
    handlers.BodyStart = [this](const THttpResult& head) {
        if (head.ContentLength < 0 && FRequest.BinaryData) {
            return false;
        }
        FFileSize = qMax<qint64>(head.ContentLength, 0);
        return true;
    };
    handlers.Chunk = [&](QByteArrayView chunk) {
        body.append(chunk);
        FBytesReaded += chunk.size();
        return HandOffProgress();
    };
    const THttpResult result = THttpTransfer::Run(FRequest, StopFlag(), handlers);
    if (!result.Complete || body.isEmpty()) {
        return false;
    }
    FTStringResult = DecodeHttpText(body, FHttpCharset);
    return true;
}

bool TSingleDownloaderThread::FetchToFile() {
    const QString strTempName =
        KrUtils::UniqueFileName(KrUtils::TempFolder(), QStringLiteral("sg"), QStringLiteral("tmp"));
    QFile temp(strTempName);
    if (!temp.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return false;
    }
    bool bWriteFailed = false;
    THttpTransfer::THandlers handlers = LogHandlers();
    handlers.BodyStart = [this](const THttpResult& head) {
        if ((head.ContentLength < 0 && FRequest.BinaryData) ||
            (FRequest.FailOnHttpError && head.Status >= 400)) {
            return false;
        }
        FFileSize = qMax<qint64>(head.ContentLength, 0);
        return true;
    };
    handlers.Chunk = [&](QByteArrayView chunk) {
        if (temp.write(chunk.data(), chunk.size()) != chunk.size()) {
            bWriteFailed = true;
            return false;
        }
        FBytesReaded += chunk.size();
        return HandOffProgress();
    };
    const THttpResult result = THttpTransfer::Run(FRequest, StopFlag(), handlers);
    temp.close();
    bool bOk = false;
    // A stopped fetch leaves the destination alone; any other outcome is copied over it.
    if (!Stopped() && !bWriteFailed) {
        QDir().mkpath(QFileInfo(FTFileName).absolutePath());
        QFile::remove(FTFileName);
        bOk = QFile::copy(strTempName, FTFileName) && result.Complete && FFileSize == FBytesReaded;
    }
    QFile::remove(strTempName);
    return bOk;
}
