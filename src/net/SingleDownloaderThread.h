#pragma once

#include <QString>

#include "net/HttpCharset.h"
#include "net/TransferThread.h"

// The page fetcher's worker: a text answer is collected in memory and decoded; a file answer is
// streamed into a temporary file, which is then copied over the destination and removed.
class TSingleDownloaderThread : public TTransferThread {
    Q_OBJECT
public:
    TSingleDownloaderThread(const THttpRequest& request, bool bToFile, const QString& strFileName,
                            THttpCharset charset);

    bool ToFile() const { return FTToFile; }
    const QString& FileName() const { return FTFileName; }
    // The decoded text of a text fetch; valid in the done handler.
    const QString& StringResult() const { return FTStringResult; }

private:
    bool Work() override;
    bool FetchToFile();
    bool FetchText();

    const bool FTToFile;
    const QString FTFileName;
    const THttpCharset FHttpCharset;
    QString FTStringResult;
};
