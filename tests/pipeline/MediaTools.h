#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The ffmpeg and ffprobe command-line programs, as independent makers and judges of media files.
namespace MediaTools {

// Runs ffmpeg with the arguments (after "-y -v error"); whether it succeeded.
bool RunFFmpeg(const QStringList& args);

// A sine tone of the given length in a container and codec chosen by the arguments that follow
// the input (e.g. {"-c:a", "aac"}), written to strPath.
bool MakeTone(const QString& strPath, double dSeconds, const QStringList& encodeArgs,
              int iSampleRate = 48000, int iChannels = 2);

// ffprobe's view of the file: {"format": {...}, "streams": [...]}; empty when it fails.
QJsonObject Probe(const QString& strPath);

// Runs Debian's python (the one that has mutagen) with the script and arguments; whether it
// succeeded, and its standard output.
bool RunPython(const QString& strScript, const QStringList& args, QString* output = nullptr);

}  // namespace MediaTools
