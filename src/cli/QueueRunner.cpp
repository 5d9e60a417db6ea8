#include "cli/QueueRunner.h"

#include <QEventLoop>

#include "framework/KrSettings.h"
#include "net/DownloadList.h"
#include "pipeline/PipelineKeys.h"

namespace {

QString SavePathOf(const TDownloadItem* item) {
    return TDownloadPipeline::CommentOf(item).Value(CommentKeys::SavePath);
}

}  // namespace

TQueueRunner::TQueueRunner() : FView(&FDownloader), FPipeline(&FDownloader, &FCurrentInfo, &FView) {
    FCurrentInfo.GetMDInfo();
    const int iMaxTasks = GlobalSettings()->GetSettingInteger(PipelineKeys::MaxTasks);
    if (iMaxTasks > 0) {
        FDownloader.SetMaxTasks(iMaxTasks);
    }
    connect(&FDownloader, &TMultiDownloader::OnStateChanged, this,
            [this](TDownloadList*, int iIndex, EDownloadState state) {
                HandleStateChanged(iIndex, state);
            });
    connect(&FPipeline, &TDownloadPipeline::OnSongFinished, this, &TQueueRunner::Settle);
}

TQueueRunner::~TQueueRunner() {
    // Whatever still runs goes back to the queue, which is saved for the next run.
    FDownloader.StopAll();
    FPipeline.SaveDownloadList();
}

void TQueueRunner::LoadQueue() {
    FPipeline.LoadDownloadList();
}

QStringList TQueueRunner::UnfinishedSavePaths() const {
    QStringList paths;
    const TDownloadList* list = FDownloader.DownloadList();
    for (int i = 0; i < list->ItemCount(); ++i) {
        if (list->Items(i)->DownloadState() != EDownloadState::KFinished) {
            paths.append(SavePathOf(list->Items(i)));
        }
    }
    return paths;
}

QHash<QString, bool> TQueueRunner::WaitFor(const QStringList& savePaths) {
    FResults.clear();
    FWaiting = savePaths;
    QEventLoop loop;
    FLoop = &loop;
    if (!FWaiting.isEmpty()) {
        loop.exec();
    }
    FLoop = nullptr;
    return FResults;
}

void TQueueRunner::HandleStateChanged(int iIndex, EDownloadState state) {
    if (state == EDownloadState::KFailed) {
        Settle(SavePathOf(FDownloader.DownloadList()->Items(iIndex)), false);
    }
}

void TQueueRunner::Settle(const QString& strSavePath, bool bConverted) {
    if (!FWaiting.removeOne(strSavePath)) {
        return;
    }
    FResults.insert(strSavePath, bConverted);
    if (FWaiting.isEmpty() && FLoop != nullptr) {
        FLoop->quit();
    }
}
