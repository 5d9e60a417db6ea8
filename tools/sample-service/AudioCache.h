#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <mutex>

#include "AudioEncoder.h"
#include "SampleCatalogue.h"

// The songs' media files, made on first request and kept for the life of the service. Safe to
// call from the server's worker threads; a file asked for twice at once is made once.
class TAudioCache {
public:
    // The file's bytes; empty when it could not be made.
    QByteArray Get(const TSampleSong& song, EAudioFormat format);

private:
    struct TEntry {
        std::once_flag Made;
        QByteArray Bytes;
    };

    std::mutex FMutex;
    QHash<QString, std::shared_ptr<TEntry>> FEntries;
};
