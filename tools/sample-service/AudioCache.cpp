#include "AudioCache.h"

#include "AudioSynth.h"

QByteArray TAudioCache::Get(const TSampleSong& song, EAudioFormat format) {
    const QString strKey = song.Id + u'/' + QString::number(int(format));
    std::shared_ptr<TEntry> entry;
    {
        const std::lock_guard lock(FMutex);
        std::shared_ptr<TEntry>& slot = FEntries[strKey];
        if (!slot) {
            slot = std::make_shared<TEntry>();
        }
        entry = slot;
    }
    std::call_once(entry->Made, [&] {
        entry->Bytes = TAudioEncoder::Encode(TAudioSynth::Render(song.Index, song.Seconds), format,
                                             {song.Title, song.Artist, song.Album});
    });
    return entry->Bytes;
}
