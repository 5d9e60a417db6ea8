#pragma once

#include <QString>

#include <atomic>

#include "pipeline/FFOptions.h"
#include "pipeline/FFPtr.h"

// One conversion: the audio track of one input decoded, resampled and encoded into one output
// file. Opened and configured on one thread, run on another; a failed run leaves no output.
class TAudioTranscoder {
public:
    TAudioTranscoder();
    ~TAudioTranscoder();
    TAudioTranscoder(const TAudioTranscoder&) = delete;
    TAudioTranscoder& operator=(const TAudioTranscoder&) = delete;

    // Opens the input and its best audio stream's decoder. False when there is nothing to decode.
    bool OpenInput(const TInputOptions& options);
    // Checks that FFmpeg has the container and encoder the options ask for.
    bool SetOutput(const TOutputOptions& options);
    bool HasOutput() const { return FOutputFormat != nullptr; }
    const TOutputOptions& Output() const { return FOutput; }

    // Converts until the input ends, the length limit is reached or stop is set. On failure the
    // output file is removed and strError says why.
    bool Run(const std::atomic<bool>& stop, QString& strError);

private:
    bool Convert(const std::atomic<bool>& stop, QString& strError);
    bool OpenOutput(QString& strError);
    bool DecodeAvailable(QString& strError);
    bool Resample(const AVFrame* frame, QString& strError);
    bool ConfigureResampler(const AVFrame* frame);
    void Queue(uint8_t* const* data, int count);
    bool EncodeQueued(bool bFlush, QString& strError);
    bool EncodeFrame(const AVFrame* frame, QString& strError);
    bool InputEndedEarly() const;

    FFPtr::TInput FInput;
    int FStreamIndex = -1;
    FFPtr::TCodec FDecoder;

    TOutputOptions FOutput;
    const AVOutputFormat* FOutputFormat = nullptr;
    const AVCodec* FEncoderCodec = nullptr;
    FFPtr::TOutput FMuxer;
    FFPtr::TCodec FEncoder;
    bool FOutputCreated = false;

    FFPtr::TSwr FResampler;
    AVSampleFormat FResamplerInFormat = AV_SAMPLE_FMT_NONE;
    int FResamplerInRate = 0;
    AVChannelLayout FResamplerInLayout{};
    FFPtr::TFrame FConverted;
    FFPtr::TFifo FFifo;
    FFPtr::TFrame FDecoded;
    FFPtr::TPacket FPacket;

    qint64 FSkipSamples = 0;   // output samples still to drop before TimeStart
    qint64 FSamplesLeft = -1;  // output samples still allowed by TimeLength; -1 unlimited
    qint64 FNextPts = 0;
    double FDecodedSeconds = 0;  // how much audio the input actually held
    qint64 FAudioPackets = 0;
    qint64 FBadPackets = 0;
};
