#include "AudioEncoder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace {

struct TFormatChoice {
    const char* Muxer;
    const char* Encoder;
    qint64 BitRate;
};

TFormatChoice ChoiceFor(EAudioFormat format) {
    return format == EAudioFormat::KMp4Aac ? TFormatChoice{"mp4", "aac", 96000}
                                           : TFormatChoice{"webm", "libopus", 64000};
}

struct TCodecContextFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct TFrameFree {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct TPacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct TOutputFree {
    void operator()(AVFormatContext* p) const {
        if (p->pb != nullptr) {
            avio_closep(&p->pb);
        }
        avformat_free_context(p);
    }
};

AVSampleFormat ChooseSampleFormat(const AVCodec* codec) {
    AVSampleFormat chosen = AV_SAMPLE_FMT_NONE;
    for (const AVSampleFormat* f = codec->sample_fmts; f != nullptr && *f != AV_SAMPLE_FMT_NONE;
         ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP) {
            return *f;
        }
        if (*f == AV_SAMPLE_FMT_FLT) {
            chosen = *f;
        }
    }
    return chosen;
}

void FillFrame(AVFrame* frame, const TPcmAudio& pcm, qsizetype first) {
    const auto sampleFormat = static_cast<AVSampleFormat>(frame->format);
    for (int i = 0; i < frame->nb_samples; ++i) {
        const qsizetype n = first + i;
        const float left = n < pcm.Frames() ? pcm.Left[n] : 0.0f;
        const float right = n < pcm.Frames() ? pcm.Right[n] : 0.0f;
        if (sampleFormat == AV_SAMPLE_FMT_FLTP) {
            reinterpret_cast<float*>(frame->data[0])[i] = left;
            reinterpret_cast<float*>(frame->data[1])[i] = right;
        } else {
            reinterpret_cast<float*>(frame->data[0])[2 * i] = left;
            reinterpret_cast<float*>(frame->data[0])[2 * i + 1] = right;
        }
    }
}

// Sends one frame (or the end of input) and writes every packet the encoder has ready.
bool EncodeAndWrite(AVCodecContext* codec, AVFormatContext* output, AVStream* stream,
                    AVFrame* frame, AVPacket* packet) {
    if (avcodec_send_frame(codec, frame) < 0) {
        return false;
    }
    for (;;) {
        const int ret = avcodec_receive_packet(codec, packet);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) {
            return true;
        }
        if (ret < 0) {
            return false;
        }
        av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(output, packet) < 0) {
            return false;
        }
    }
}

bool EncodeToFile(const TPcmAudio& pcm, EAudioFormat format, const TAudioTags& tags,
                  const QByteArray& path) {
    const TFormatChoice choice = ChoiceFor(format);
    const AVCodec* encoder = avcodec_find_encoder_by_name(choice.Encoder);
    AVFormatContext* rawOutput = nullptr;
    if (encoder == nullptr ||
        avformat_alloc_output_context2(&rawOutput, nullptr, choice.Muxer, path.constData()) < 0) {
        return false;
    }
    std::unique_ptr<AVFormatContext, TOutputFree> output(rawOutput);
    std::unique_ptr<AVCodecContext, TCodecContextFree> codec(avcodec_alloc_context3(encoder));
    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    const AVSampleFormat sampleFormat = ChooseSampleFormat(encoder);
    if (!codec || stream == nullptr || sampleFormat == AV_SAMPLE_FMT_NONE) {
        return false;
    }
    codec->sample_rate = pcm.SampleRate;
    codec->sample_fmt = sampleFormat;
    codec->bit_rate = choice.BitRate;
    codec->time_base = AVRational{1, pcm.SampleRate};
    av_channel_layout_default(&codec->ch_layout, 2);
    if (output->oformat->flags & AVFMT_GLOBALHEADER) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (avcodec_open2(codec.get(), encoder, nullptr) < 0 ||
        avcodec_parameters_from_context(stream->codecpar, codec.get()) < 0) {
        return false;
    }
    stream->time_base = codec->time_base;
    av_dict_set(&output->metadata, "title", tags.Title.toUtf8().constData(), 0);
    av_dict_set(&output->metadata, "artist", tags.Artist.toUtf8().constData(), 0);
    av_dict_set(&output->metadata, "album", tags.Album.toUtf8().constData(), 0);

    if (avio_open(&output->pb, path.constData(), AVIO_FLAG_WRITE) < 0) {
        return false;
    }
    // The index goes in front so that a browser can start playing before the whole file is in.
    AVDictionary* options = nullptr;
    if (format == EAudioFormat::KMp4Aac) {
        av_dict_set(&options, "movflags", "+faststart", 0);
    }
    const int headerResult = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    if (headerResult < 0) {
        return false;
    }

    std::unique_ptr<AVFrame, TFrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, TPacketFree> packet(av_packet_alloc());
    if (!frame || !packet) {
        return false;
    }
    const int frameSize = codec->frame_size > 0 ? codec->frame_size : 1024;
    const bool bSmallLast = encoder->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    for (qsizetype first = 0; first < pcm.Frames(); first += frameSize) {
        av_frame_unref(frame.get());
        frame->format = codec->sample_fmt;
        frame->sample_rate = codec->sample_rate;
        frame->nb_samples =
            bSmallLast ? int(std::min<qsizetype>(frameSize, pcm.Frames() - first)) : frameSize;
        if (av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout) < 0 ||
            av_frame_get_buffer(frame.get(), 0) < 0) {
            return false;
        }
        FillFrame(frame.get(), pcm, first);
        frame->pts = first;
        if (!EncodeAndWrite(codec.get(), output.get(), stream, frame.get(), packet.get())) {
            return false;
        }
    }
    return EncodeAndWrite(codec.get(), output.get(), stream, nullptr, packet.get()) &&
           av_write_trailer(output.get()) == 0;
}

}  // namespace

QByteArray TAudioEncoder::Encode(const TPcmAudio& pcm, EAudioFormat format,
                                 const TAudioTags& tags) {
    // The muxers write their index last and, for MP4, move it to the front in a second pass that
    // reopens the file by name, so the file goes through a temporary file rather than memory.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/halvex-sample-XXXXXX.media"));
    if (!file.open()) {
        return {};
    }
    file.close();
    if (!EncodeToFile(pcm, format, tags, QFile::encodeName(file.fileName()))) {
        return {};
    }
    return file.open() ? file.readAll() : QByteArray();
}

QByteArray TAudioEncoder::MimeType(EAudioFormat format) {
    return format == EAudioFormat::KMp4Aac ? QByteArrayLiteral("audio/mp4")
                                           : QByteArrayLiteral("audio/webm");
}
