#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

// A default-constructed record holds the encoder's initial values.

// What the encoder is told about one input. Only the fields the conversion sets are modelled;
// everything else stays at the encoder's defaults (no start offset, no program, no extras).
struct TInputOptions {
    QString FileName;
    // The demuxer to use, as the decoder named it after probing; empty lets FFmpeg probe again.
    QString ForceFormat;
};

// How the encoder writes one output. Numbers below 0 and empty texts mean "as the input has it"
// or "the encoder's choice"; times are in microseconds, KTimeNotSet when not given.
struct TOutputOptions {
    static constexpr qint64 KTimeNotSet = -1;

    QString FileName;
    // Chooses the container when given (".mp3", ".aac"); otherwise the file name does.
    QString FileExt;
    // This encoder writes audio only; options that ask for video are refused.
    bool DisableVideo = false;
    int AudioChannels = -1;
    int AudioSampleRate = -1;
    int AudioBitrate = -1;  // bit/s
    // An FFmpeg encoder name; empty picks the container's default audio encoder.
    QString AudioCodec;
    qint64 TimeStart = KTimeNotSet;
    // 0 or not set converts the whole input.
    qint64 TimeLength = KTimeNotSet;
};

// The end report of one started task.
struct TTerminateInfo {
    int TaskIndex = -1;
    bool Finished = false;  // the task ran to its end and its output is complete
    bool Exception = false;
    QString ExceptionMsg;  // a trace text for the log, never shown to the user
};

Q_DECLARE_METATYPE(TTerminateInfo)
