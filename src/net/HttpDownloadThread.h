#pragma once

#include <QString>

#include "net/HttpCharset.h"
#include "net/TransferThread.h"

// A download task's worker: a file transfer writes straight into the task's file (no temporary
// copy, so a large file costs no second pass); a page transfer is collected in memory.
class THttpDownloadThread : public TTransferThread {
    Q_OBJECT
public:
    THttpDownloadThread(const THttpRequest& request, bool bToFile, const QString& strFileName,
                        THttpCharset charset);

    bool ToFile() const { return FTToFile; }
    const QString& FileName() const { return FTFileName; }
    const QString& StringResult() const { return FTStringResult; }

private:
    bool Work() override;

    const bool FTToFile;
    const QString FTFileName;
    const THttpCharset FHttpCharset;
    QString FTStringResult;
};
