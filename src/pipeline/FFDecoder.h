#pragma once

#include <QString>

// Opens a media file and probes it, to learn what FFmpeg makes of it before a task is added.
class TFFDecoder {
public:
    // Opens and probes the file, with the named demuxer when aFormatName is given. False when
    // FFmpeg cannot open it or finds no stream in it; the names are then empty.
    bool LoadFile(const QString& aFileName, const QString& aFormatName = QString());

    // The file name as FFmpeg reports it after opening.
    QString FileName() const { return FFileName; }
    // The demuxer that recognised the file ("mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm", "mp3").
    QString FormatName() const { return FFormatName; }

private:
    QString FFileName;
    QString FFormatName;
};
