#include "pipeline/FreeFFVCLThread.h"

#include "pipeline/FFEncoder.h"

namespace {
// Lets the end event that started this thread unwind before the encoder goes.
constexpr unsigned long KReleaseDelayMs = 1000;
}  // namespace

TFreeFFVCLThread::TFreeFFVCLThread(QObject* aFFVCL, TOnConvertFinished aOnConvertFinishedEvent,
                                   int aIndex)
    : FIndex(aIndex), FFFVCL(aFFVCL), FOnConvertFinishedEvent(std::move(aOnConvertFinishedEvent)) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TFreeFFVCLThread::run() {
    msleep(KReleaseDelayMs);
    QString strFileName;
    if (auto* encoder = qobject_cast<TFFEncoder*>(FFFVCL)) {
        strFileName = encoder->OutputOptions(FIndex, 0).FileName;
        encoder->ClearTasks();
        // Deleted on its own thread, after anything still queued for it there.
        encoder->deleteLater();
    }
    FFFVCL = nullptr;
    if (FOnConvertFinishedEvent) {
        FOnConvertFinishedEvent(strFileName);
    }
}
