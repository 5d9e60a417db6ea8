#include "pipeline/AudioConvert.h"

#include <QPointer>

#include "framework/KrEngine.h"
#include "framework/KrLog.h"
#include "framework/LangKeys.h"
#include "pipeline/AudioCodecs.h"
#include "pipeline/FFEncoder.h"

#include <memory>

namespace {

constexpr int KChannels = 2;
constexpr int KSampleRate = 44100;

}  // namespace

void BuildOutputOptions(const QString& aFileName, const QString& aType, int aLong, int aBitrate,
                        TOutputOptions& aOptions) {
    aOptions = TOutputOptions();
    aOptions.FileName = aFileName;
    aOptions.FileExt = u'.' + aType;
    aOptions.DisableVideo = true;
    aOptions.AudioChannels = KChannels;
    aOptions.AudioSampleRate = KSampleRate;
    aOptions.AudioBitrate = aBitrate * 1000;
    if (aType == AudioCodecs::KTypeMP3) {
        aOptions.AudioCodec = AudioCodecs::KEncoderMP3;
    } else if (aType == AudioCodecs::KTypeAAC) {
        aOptions.AudioCodec = AudioCodecs::KEncoderAAC;
    }
    aOptions.TimeStart = 0;
    aOptions.TimeLength = static_cast<qint64>(aLong) * 1000000;
}

bool ConvertToAudio(const QString& aInput, const QString& aOutput, const QString& aConvertType,
                    QObject* aReceiver, const TTerminateEvent& aOnTerminate, int aLong,
                    int aBitrate) {
    if (!TFFEncoder::AVLibLoaded() && !TFFEncoder::LoadAVLib()) {
        if (TKrEngine* engine = GlobalEngine()) {
            engine->ShowMessageEx(LangKeys::MsgAVLibLoadFailed, {}, 0, KrDlg::KError, KrDlg::KOk);
        }
        return false;
    }
    auto encoder = std::make_unique<TFFEncoder>();
    if (!encoder->Decoder().LoadFile(aInput)) {
        TKrLog::Write(QStringLiteral("cannot open ") + aInput, QStringLiteral("FFEncoder"));
        return false;
    }
    TInputOptions input;
    input.FileName = encoder->Decoder().FileName();
    input.ForceFormat = encoder->Decoder().FormatName();
    const int iTask = encoder->AddTask(input.FileName, &input);
    if (iTask < 0) {
        return false;
    }
    TOutputOptions output;
    BuildOutputOptions(aOutput, aConvertType, aLong, aBitrate, output);
    if (!encoder->SetOutputFile(iTask, output.FileName, &output) || !aReceiver) {
        return false;
    }

    TFFEncoder* running = encoder.release();
    QObject::connect(running, &TFFEncoder::OnTerminate, aReceiver, aOnTerminate);
    // Nobody takes an unfinished encoder, nor one whose receiver is gone: it goes by itself.
    const QPointer<QObject> receiver(aReceiver);
    QObject::connect(running, &TFFEncoder::OnTerminate, running,
                     [running, receiver](QObject*, const TTerminateInfo& info) {
                         if (!info.Finished || receiver.isNull()) {
                             running->deleteLater();
                         }
                     });
    if (!running->Start()) {
        delete running;
        return false;
    }
    return true;
}
