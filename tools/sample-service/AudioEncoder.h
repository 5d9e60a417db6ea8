#pragma once

#include <QByteArray>
#include <QString>

#include "AudioSynth.h"

// The containers the service streams: both decode with FFmpeg and play in a browser's <audio>.
enum class EAudioFormat { KMp4Aac, KWebmOpus };

struct TAudioTags {
    QString Title;
    QString Artist;
    QString Album;
};

// Encodes samples into a complete media file held in memory.
class TAudioEncoder {
public:
    // The file's bytes; empty when the encoder or the muxer failed.
    static QByteArray Encode(const TPcmAudio& pcm, EAudioFormat format, const TAudioTags& tags);
    static QByteArray MimeType(EAudioFormat format);
};
