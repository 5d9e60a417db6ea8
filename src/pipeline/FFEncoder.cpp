#include "pipeline/FFEncoder.h"

#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <cstdarg>

#include "framework/KrLog.h"
#include "pipeline/AudioCodecs.h"
#include "pipeline/AudioTranscoder.h"

namespace {

const QString KLogTag = QStringLiteral("FFEncoder");

// The load state is process-wide, as the libraries are.
QMutex GLoadMutex;
bool GLoaded = false;
QStringList GRequiredEncoders{AudioCodecs::KEncoderMP3};

// FFmpeg's own messages go to the debug log instead of standard error.
void LogFFmpegMessage(void* avcl, int iLevel, const char* format, va_list args) {
    if (iLevel > AV_LOG_WARNING || !TKrLog::Active()) {
        return;
    }
    char line[1024];
    int iPrintPrefix = 1;
    av_log_format_line2(avcl, iLevel, format, args, line, sizeof(line), &iPrintPrefix);
    TKrLog::Write(QString::fromUtf8(line).trimmed(), QStringLiteral("FFmpeg"));
}

}  // namespace

TFFEncoder::TFFEncoder(QObject* owner) : QObject(owner) {}

TFFEncoder::~TFFEncoder() {
    Stop();
    Join();
}

bool TFFEncoder::AVLibLoaded() {
    QMutexLocker lock(&GLoadMutex);
    return GLoaded;
}

bool TFFEncoder::LoadAVLib() {
    QMutexLocker lock(&GLoadMutex);
    av_log_set_callback(LogFFmpegMessage);
    GLoaded = true;
    for (const QString& strName : std::as_const(GRequiredEncoders)) {
        if (!avcodec_find_encoder_by_name(strName.toUtf8().constData())) {
            TKrLog::Write(QStringLiteral("encoder missing: ") + strName, KLogTag);
            GLoaded = false;
        }
    }
    return GLoaded;
}

void TFFEncoder::SetRequiredEncoders(const QStringList& names) {
    QMutexLocker lock(&GLoadMutex);
    GRequiredEncoders = names;
    GLoaded = false;
}

int TFFEncoder::AddTask(const QString& aFileName, const TInputOptions* aOptions) {
    if (!FWorkers.empty()) {
        return -1;
    }
    TInputOptions options = aOptions ? *aOptions : TInputOptions();
    options.FileName = aFileName;
    auto task = std::make_unique<TAudioTranscoder>();
    if (!task->OpenInput(options)) {
        TKrLog::Write(QStringLiteral("cannot decode ") + aFileName, KLogTag);
        return -1;
    }
    FTasks.push_back(std::move(task));
    return static_cast<int>(FTasks.size()) - 1;
}

bool TFFEncoder::SetOutputFile(int aTaskIndex, const QString& aFileName,
                               const TOutputOptions* aOptions) {
    if (!FWorkers.empty() || aTaskIndex < 0 || aTaskIndex >= static_cast<int>(FTasks.size())) {
        return false;
    }
    TOutputOptions options = aOptions ? *aOptions : TOutputOptions();
    options.FileName = aFileName;
    if (!FTasks[aTaskIndex]->SetOutput(options)) {
        TKrLog::Write(QStringLiteral("cannot write ") + aFileName, KLogTag);
        return false;
    }
    return true;
}

bool TFFEncoder::Start(int aThreadCount) {
    if (!FWorkers.empty()) {
        return false;
    }
    const auto iReady = std::count_if(FTasks.begin(), FTasks.end(),
                                      [](const auto& task) { return task->HasOutput(); });
    if (iReady == 0) {
        return false;
    }
    FStop = false;
    FNextTask = 0;
    const auto iThreads = aThreadCount > 0 ? std::min<long>(aThreadCount, iReady) : iReady;
    for (long i = 0; i < iThreads; ++i) {
        FWorkers.emplace_back([this] { RunTasks(); });
    }
    return true;
}

void TFFEncoder::Stop() {
    FStop = true;
}

TOutputOptions TFFEncoder::OutputOptions(int aTaskIndex, int aOutputIndex) const {
    if (aOutputIndex != 0 || aTaskIndex < 0 || aTaskIndex >= static_cast<int>(FTasks.size())) {
        return TOutputOptions();
    }
    return FTasks[aTaskIndex]->Output();
}

void TFFEncoder::ClearTasks() {
    Join();
    FTasks.clear();
}

void TFFEncoder::RunTasks() {
    for (size_t i = FNextTask++; i < FTasks.size(); i = FNextTask++) {
        TAudioTranscoder& task = *FTasks[i];
        if (!task.HasOutput()) {
            continue;
        }
        TTerminateInfo info;
        info.TaskIndex = static_cast<int>(i);
        info.Finished = task.Run(FStop, info.ExceptionMsg);
        info.Exception = !info.Finished && !FStop;
        if (!info.Finished) {
            TKrLog::Write(task.Output().FileName + QStringLiteral(": ") + info.ExceptionMsg,
                          KLogTag);
        }
        // Queued to this object, so the event is dropped if the encoder is gone by then.
        QMetaObject::invokeMethod(
            this, [this, info] { emit OnTerminate(this, info); }, Qt::QueuedConnection);
    }
}

void TFFEncoder::Join() {
    for (std::thread& worker : FWorkers) {
        worker.join();
    }
    FWorkers.clear();
}
