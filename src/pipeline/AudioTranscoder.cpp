#include "pipeline/AudioTranscoder.h"

#include <QFile>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>

namespace {

QString AVErrorText(int iError) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(iError, buffer, sizeof(buffer));
    return QString::fromUtf8(buffer);
}

bool Fail(QString& strError, const char* what, int iError = 0) {
    strError = QString::fromLatin1(what);
    if (iError != 0) {
        strError += QStringLiteral(": ") + AVErrorText(iError);
    }
    return false;
}

// The decoder's own format when the encoder takes it (saves a conversion), else its planar or
// packed twin, else the encoder's first choice.
AVSampleFormat ChooseSampleFormat(const AVCodec* codec, AVSampleFormat preferred) {
    if (!codec->sample_fmts) {
        return preferred;
    }
    for (const AVSampleFormat candidate :
         {preferred, av_get_planar_sample_fmt(preferred), av_get_packed_sample_fmt(preferred)}) {
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
            if (*f == candidate) {
                return candidate;
            }
        }
    }
    return codec->sample_fmts[0];
}

// A damaged download shows as packets the decoder rejects. A few are tolerated, as a player
// would, since they cost a blip and not the song.
bool TooManyBadPackets(qint64 iBad, qint64 iTotal) {
    return iBad > std::max<qint64>(3, iTotal / 100);
}

// Output samples for a time in microseconds.
qint64 SamplesFor(qint64 iMicroseconds, int iRate) {
    return av_rescale(iMicroseconds, iRate, AV_TIME_BASE);
}

}  // namespace

TAudioTranscoder::TAudioTranscoder()
    : FConverted(av_frame_alloc()), FDecoded(av_frame_alloc()), FPacket(av_packet_alloc()) {}

TAudioTranscoder::~TAudioTranscoder() {
    av_channel_layout_uninit(&FResamplerInLayout);
}

bool TAudioTranscoder::OpenInput(const TInputOptions& options) {
    const AVInputFormat* format = nullptr;
    if (!options.ForceFormat.isEmpty()) {
        format = av_find_input_format(options.ForceFormat.toUtf8().constData());
        if (!format) {
            return false;
        }
    }
    FInput = FFPtr::OpenInput(options.FileName.toUtf8().constData(), format);
    if (!FInput) {
        return false;
    }
    const AVCodec* codec = nullptr;
    FStreamIndex = av_find_best_stream(FInput.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (FStreamIndex < 0 || !codec) {
        return false;
    }
    for (unsigned i = 0; i < FInput->nb_streams; ++i) {
        if (static_cast<int>(i) != FStreamIndex) {
            FInput->streams[i]->discard = AVDISCARD_ALL;
        }
    }
    FDecoder.reset(avcodec_alloc_context3(codec));
    return FDecoder &&
           avcodec_parameters_to_context(FDecoder.get(), FInput->streams[FStreamIndex]->codecpar) >=
               0 &&
           avcodec_open2(FDecoder.get(), codec, nullptr) >= 0;
}

bool TAudioTranscoder::SetOutput(const TOutputOptions& options) {
    if (!options.DisableVideo || options.FileName.isEmpty()) {
        return false;
    }
    // The extension picks the container even when the file name carries another one.
    const QString strProbe =
        options.FileExt.isEmpty() ? options.FileName : QStringLiteral("out") + options.FileExt;
    const AVOutputFormat* format = av_guess_format(nullptr, strProbe.toUtf8().constData(), nullptr);
    if (!format) {
        return false;
    }
    const AVCodec* codec =
        options.AudioCodec.isEmpty()
            ? avcodec_find_encoder(format->audio_codec)
            : avcodec_find_encoder_by_name(options.AudioCodec.toUtf8().constData());
    if (!codec || codec->type != AVMEDIA_TYPE_AUDIO) {
        return false;
    }
    FOutput = options;
    FOutputFormat = format;
    FEncoderCodec = codec;
    return true;
}

bool TAudioTranscoder::Run(const std::atomic<bool>& stop, QString& strError) {
    const bool bOk = Convert(stop, strError);
    if (!bOk) {
        FMuxer.reset();
        if (FOutputCreated) {
            QFile::remove(FOutput.FileName);
        }
    }
    return bOk;
}

bool TAudioTranscoder::Convert(const std::atomic<bool>& stop, QString& strError) {
    if (!FInput || !FOutputFormat) {
        return Fail(strError, "task not ready");
    }
    if (!OpenOutput(strError)) {
        return false;
    }
    bool bLimitReached = false;
    while (!bLimitReached) {
        if (stop) {
            return Fail(strError, "stopped");
        }
        const int iRead = av_read_frame(FInput.get(), FPacket.get());
        if (iRead == AVERROR_EOF) {
            break;
        }
        if (iRead < 0) {
            return Fail(strError, "input read failed", iRead);
        }
        if (FPacket->stream_index != FStreamIndex) {
            av_packet_unref(FPacket.get());
            continue;
        }
        ++FAudioPackets;
        const int iSent = avcodec_send_packet(FDecoder.get(), FPacket.get());
        av_packet_unref(FPacket.get());
        if (iSent == AVERROR_INVALIDDATA) {
            ++FBadPackets;
        } else if (iSent < 0) {
            return Fail(strError, "decoding failed", iSent);
        }
        if (!DecodeAvailable(strError)) {
            return false;
        }
        bLimitReached = FSamplesLeft == 0;
    }
    if (FInput->pb && FInput->pb->error < 0 && FInput->pb->error != AVERROR_EOF) {
        return Fail(strError, "input read failed", FInput->pb->error);
    }
    if (TooManyBadPackets(FBadPackets, FAudioPackets)) {
        return Fail(strError, "input is damaged");
    }
    if (!bLimitReached) {
        avcodec_send_packet(FDecoder.get(), nullptr);
        if (!DecodeAvailable(strError) || (FResampler && !Resample(nullptr, strError))) {
            return false;
        }
        if (InputEndedEarly()) {
            return Fail(strError, "input ends before its stated length");
        }
    }
    if (!EncodeQueued(true, strError) || !EncodeFrame(nullptr, strError)) {
        return false;
    }
    if (FNextPts == 0) {
        return Fail(strError, "input holds no audio");
    }
    const int iTrailer = av_write_trailer(FMuxer.get());
    if (iTrailer < 0) {
        return Fail(strError, "finishing the output failed", iTrailer);
    }
    const int iClose = avio_closep(&FMuxer->pb);
    if (iClose < 0) {
        return Fail(strError, "closing the output failed", iClose);
    }
    return true;
}

bool TAudioTranscoder::OpenOutput(QString& strError) {
    const int iRate = FOutput.AudioSampleRate > 0 ? FOutput.AudioSampleRate : FDecoder->sample_rate;
    const int iChannels =
        FOutput.AudioChannels > 0 ? FOutput.AudioChannels : FDecoder->ch_layout.nb_channels;
    FEncoder.reset(avcodec_alloc_context3(FEncoderCodec));
    if (!FEncoder || iRate <= 0 || iChannels <= 0) {
        return Fail(strError, "no usable audio format");
    }
    FEncoder->sample_rate = iRate;
    av_channel_layout_default(&FEncoder->ch_layout, iChannels);
    FEncoder->sample_fmt = ChooseSampleFormat(FEncoderCodec, FDecoder->sample_fmt);
    FEncoder->time_base = AVRational{1, iRate};
    if (FOutput.AudioBitrate > 0) {
        FEncoder->bit_rate = FOutput.AudioBitrate;
    }

    AVFormatContext* rawMuxer = nullptr;
    const QByteArray fileName = FOutput.FileName.toUtf8();
    int iResult =
        avformat_alloc_output_context2(&rawMuxer, FOutputFormat, nullptr, fileName.constData());
    if (iResult < 0) {
        return Fail(strError, "creating the output failed", iResult);
    }
    FMuxer.reset(rawMuxer);
    if (FOutputFormat->flags & AVFMT_GLOBALHEADER) {
        FEncoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    iResult = avcodec_open2(FEncoder.get(), FEncoderCodec, nullptr);
    if (iResult < 0) {
        return Fail(strError, "opening the encoder failed", iResult);
    }
    AVStream* stream = avformat_new_stream(FMuxer.get(), nullptr);
    if (!stream) {
        return Fail(strError, "creating the output stream failed");
    }
    stream->time_base = FEncoder->time_base;
    iResult = avcodec_parameters_from_context(stream->codecpar, FEncoder.get());
    if (iResult < 0) {
        return Fail(strError, "creating the output stream failed", iResult);
    }

    iResult = avio_open(&FMuxer->pb, fileName.constData(), AVIO_FLAG_WRITE);
    if (iResult < 0) {
        return Fail(strError, "creating the output file failed", iResult);
    }
    FOutputCreated = true;
    // The program writes its own tags afterwards; the MP3 muxer would otherwise put an ID3v2
    // tag naming FFmpeg in front. Its info frame (length for players) is written regardless.
    AVDictionary* muxerOptions = nullptr;
    av_dict_set(&muxerOptions, "id3v2_version", "0", 0);
    av_dict_set(&muxerOptions, "write_id3v1", "0", 0);
    iResult = avformat_write_header(FMuxer.get(), &muxerOptions);
    av_dict_free(&muxerOptions);
    if (iResult < 0) {
        return Fail(strError, "writing the output header failed", iResult);
    }

    FFifo.reset(av_audio_fifo_alloc(FEncoder->sample_fmt, iChannels, 1 << 14));
    if (!FFifo) {
        return Fail(strError, "out of memory");
    }
    if (FOutput.TimeStart > 0) {
        FSkipSamples = SamplesFor(FOutput.TimeStart, iRate);
    }
    if (FOutput.TimeLength > 0) {
        FSamplesLeft = SamplesFor(FOutput.TimeLength, iRate);
    }
    return true;
}

bool TAudioTranscoder::DecodeAvailable(QString& strError) {
    for (;;) {
        const int iResult = avcodec_receive_frame(FDecoder.get(), FDecoded.get());
        if (iResult == AVERROR(EAGAIN) || iResult == AVERROR_EOF) {
            return true;
        }
        if (iResult == AVERROR_INVALIDDATA) {
            ++FBadPackets;
            continue;
        }
        if (iResult < 0) {
            return Fail(strError, "decoding failed", iResult);
        }
        if (FDecoded->sample_rate > 0) {
            FDecodedSeconds += static_cast<double>(FDecoded->nb_samples) / FDecoded->sample_rate;
        }
        const bool bOk = Resample(FDecoded.get(), strError);
        av_frame_unref(FDecoded.get());
        if (!bOk) {
            return false;
        }
        if (FSamplesLeft == 0) {
            return true;
        }
    }
}

bool TAudioTranscoder::ConfigureResampler(const AVFrame* frame) {
    AVChannelLayout layout{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
    } else if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0) {
        return false;
    }
    const auto format = static_cast<AVSampleFormat>(frame->format);
    if (FResampler && format == FResamplerInFormat && frame->sample_rate == FResamplerInRate &&
        av_channel_layout_compare(&layout, &FResamplerInLayout) == 0) {
        av_channel_layout_uninit(&layout);
        return true;
    }
    // A stream may change its format midway; the resampler starts over for the new one.
    SwrContext* raw = nullptr;
    const int iResult =
        swr_alloc_set_opts2(&raw, &FEncoder->ch_layout, FEncoder->sample_fmt, FEncoder->sample_rate,
                            &layout, format, frame->sample_rate, 0, nullptr);
    FResampler.reset(raw);
    av_channel_layout_uninit(&FResamplerInLayout);
    FResamplerInLayout = layout;
    FResamplerInFormat = format;
    FResamplerInRate = frame->sample_rate;
    return iResult >= 0 && swr_init(FResampler.get()) >= 0;
}

// A null frame drains what the resampler still holds.
bool TAudioTranscoder::Resample(const AVFrame* frame, QString& strError) {
    if (frame && !ConfigureResampler(frame)) {
        return Fail(strError, "unsupported input audio format");
    }
    for (;;) {
        const int iInSamples = frame ? frame->nb_samples : 0;
        const int iCapacity = swr_get_out_samples(FResampler.get(), iInSamples);
        if (iCapacity < 0) {
            return Fail(strError, "resampling failed", iCapacity);
        }
        if (iCapacity == 0) {
            return true;
        }
        if (FConverted->nb_samples < iCapacity) {
            av_frame_unref(FConverted.get());
            FConverted->format = FEncoder->sample_fmt;
            FConverted->sample_rate = FEncoder->sample_rate;
            FConverted->nb_samples = iCapacity;
            if (av_channel_layout_copy(&FConverted->ch_layout, &FEncoder->ch_layout) < 0 ||
                av_frame_get_buffer(FConverted.get(), 0) < 0) {
                return Fail(strError, "out of memory");
            }
        }
        const int iOut = swr_convert(
            FResampler.get(), FConverted->data, iCapacity,
            frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, iInSamples);
        if (iOut < 0) {
            return Fail(strError, "resampling failed", iOut);
        }
        Queue(FConverted->data, iOut);
        if (!EncodeQueued(false, strError)) {
            return false;
        }
        // Fed input is converted in one call; only draining needs to ask again.
        if (frame || iOut == 0) {
            return true;
        }
    }
}

void TAudioTranscoder::Queue(uint8_t* const* data, int count) {
    int iOffset = 0;
    if (FSkipSamples > 0) {
        const int iDrop = static_cast<int>(std::min<qint64>(count, FSkipSamples));
        FSkipSamples -= iDrop;
        iOffset = iDrop;
        count -= iDrop;
    }
    if (FSamplesLeft >= 0) {
        count = static_cast<int>(std::min<qint64>(count, FSamplesLeft));
        FSamplesLeft -= count;
    }
    if (count <= 0) {
        return;
    }
    const auto format = FEncoder->sample_fmt;
    const int iChannels = FEncoder->ch_layout.nb_channels;
    const bool bPlanar = av_sample_fmt_is_planar(format);
    const int iStride = av_get_bytes_per_sample(format) * (bPlanar ? 1 : iChannels);
    uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
    for (int i = 0; i < (bPlanar ? iChannels : 1); ++i) {
        planes[i] = data[i] + static_cast<ptrdiff_t>(iOffset) * iStride;
    }
    av_audio_fifo_write(FFifo.get(), reinterpret_cast<void**>(planes), count);
}

bool TAudioTranscoder::EncodeQueued(bool bFlush, QString& strError) {
    const int iFrameSize = FEncoder->frame_size > 0 ? FEncoder->frame_size : 4096;
    const bool bSmallLast = FEncoderCodec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    for (;;) {
        const int iQueued = av_audio_fifo_size(FFifo.get());
        if (iQueued == 0 || (iQueued < iFrameSize && !bFlush)) {
            return true;
        }
        const int iTake = std::min(iQueued, iFrameSize);
        FFPtr::TFrame frame(av_frame_alloc());
        if (!frame) {
            return Fail(strError, "out of memory");
        }
        frame->format = FEncoder->sample_fmt;
        frame->sample_rate = FEncoder->sample_rate;
        frame->nb_samples = bSmallLast ? iTake : iFrameSize;
        if (av_channel_layout_copy(&frame->ch_layout, &FEncoder->ch_layout) < 0 ||
            av_frame_get_buffer(frame.get(), 0) < 0) {
            return Fail(strError, "out of memory");
        }
        if (iTake < frame->nb_samples) {
            av_samples_set_silence(frame->data, iTake, frame->nb_samples - iTake,
                                   FEncoder->ch_layout.nb_channels, FEncoder->sample_fmt);
        }
        av_audio_fifo_read(FFifo.get(), reinterpret_cast<void**>(frame->data), iTake);
        frame->pts = FNextPts;
        FNextPts += iTake;
        if (!EncodeFrame(frame.get(), strError)) {
            return false;
        }
    }
}

// A null frame flushes the encoder.
bool TAudioTranscoder::EncodeFrame(const AVFrame* frame, QString& strError) {
    int iResult = avcodec_send_frame(FEncoder.get(), frame);
    if (iResult < 0) {
        return Fail(strError, "encoding failed", iResult);
    }
    AVStream* stream = FMuxer->streams[0];
    for (;;) {
        iResult = avcodec_receive_packet(FEncoder.get(), FPacket.get());
        if (iResult == AVERROR(EAGAIN) || iResult == AVERROR_EOF) {
            return true;
        }
        if (iResult < 0) {
            return Fail(strError, "encoding failed", iResult);
        }
        av_packet_rescale_ts(FPacket.get(), FEncoder->time_base, stream->time_base);
        FPacket->stream_index = stream->index;
        iResult = av_interleaved_write_frame(FMuxer.get(), FPacket.get());
        if (iResult < 0) {
            return Fail(strError, "writing the output failed", iResult);
        }
    }
}

// A download cut short still opens, but holds less audio than its container promises. Lengths
// guessed from the bit rate promise nothing.
bool TAudioTranscoder::InputEndedEarly() const {
    if (FInput->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) {
        return false;
    }
    const AVStream* stream = FInput->streams[FStreamIndex];
    double dStated = 0;
    if (stream->duration > 0) {
        dStated = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    } else if (FInput->duration > 0) {
        dStated = static_cast<double>(FInput->duration) / AV_TIME_BASE;
    }
    const double dMissing = dStated - FDecodedSeconds;
    return dMissing > 1.0 && dMissing > dStated * 0.02;
}
