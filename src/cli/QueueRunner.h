#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include "cli/ConsoleDownloadView.h"
#include "net/MultiDownloader.h"
#include "pipeline/DownloadPipeline.h"
#include "search/CurrentInfo.h"

// The saved download queue, run from the command line: the task engine, the pipeline that
// converts and tags, and a console view, together until the songs asked for are done.
class TQueueRunner : public QObject {
    Q_OBJECT
public:
    TQueueRunner();
    ~TQueueRunner() override;

    // Loads the saved queue into the engine (no question asked).
    void LoadQueue();
    TMultiDownloader& Downloader() { return FDownloader; }
    TDownloadPipeline& Pipeline() { return FPipeline; }

    // Target paths of the unfinished tasks, in queue order.
    QStringList UnfinishedSavePaths() const;
    // Runs the engine until every given song is converted or its task failed; true for each
    // song that became an MP3.
    QHash<QString, bool> WaitFor(const QStringList& savePaths);

private:
    void HandleStateChanged(int iIndex, EDownloadState state);
    void Settle(const QString& strSavePath, bool bConverted);

    TCurrentInfo FCurrentInfo;
    TMultiDownloader FDownloader;
    TConsoleDownloadView FView;
    TDownloadPipeline FPipeline;
    QHash<QString, bool> FResults;
    QStringList FWaiting;
    class QEventLoop* FLoop = nullptr;
};
