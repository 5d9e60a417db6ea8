#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <memory>

// Owning pointers for FFmpeg's objects, each freed by the call FFmpeg pairs with it.
namespace FFPtr {

struct TInputCloser {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct TOutputCloser {
    void operator()(AVFormatContext* p) const {
        if (p->pb && !(p->oformat->flags & AVFMT_NOFILE)) {
            avio_closep(&p->pb);
        }
        avformat_free_context(p);
    }
};
struct TCodecFreer {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct TSwrFreer {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct TFifoFreer {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
struct TFrameFreer {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct TPacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

using TInput = std::unique_ptr<AVFormatContext, TInputCloser>;
using TOutput = std::unique_ptr<AVFormatContext, TOutputCloser>;
using TCodec = std::unique_ptr<AVCodecContext, TCodecFreer>;
using TSwr = std::unique_ptr<SwrContext, TSwrFreer>;
using TFifo = std::unique_ptr<AVAudioFifo, TFifoFreer>;
using TFrame = std::unique_ptr<AVFrame, TFrameFreer>;
using TPacket = std::unique_ptr<AVPacket, TPacketFreer>;

// Opens and probes a media file; empty on failure.
TInput OpenInput(const char* fileName, const AVInputFormat* format);

}  // namespace FFPtr
