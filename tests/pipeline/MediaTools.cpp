#include "MediaTools.h"

#include <QJsonDocument>
#include <QProcess>

namespace MediaTools {

namespace {

bool Run(const QString& strProgram, const QStringList& args, QByteArray* output = nullptr) {
    QProcess process;
    process.start(strProgram, args);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(strProgram),
                 process.readAllStandardError().constData());
        return false;
    }
    if (output) {
        *output = process.readAllStandardOutput();
    }
    return true;
}

}  // namespace

bool RunFFmpeg(const QStringList& args) {
    return Run(
        QStringLiteral("ffmpeg"),
        QStringList{QStringLiteral("-y"), QStringLiteral("-v"), QStringLiteral("error")} + args);
}

bool MakeTone(const QString& strPath, double dSeconds, const QStringList& encodeArgs,
              int iSampleRate, int iChannels) {
    const QString strSource = QStringLiteral("sine=frequency=440:sample_rate=%1:duration=%2")
                                  .arg(iSampleRate)
                                  .arg(dSeconds);
    return RunFFmpeg(QStringList{QStringLiteral("-f"), QStringLiteral("lavfi"),
                                 QStringLiteral("-i"), strSource, QStringLiteral("-ac"),
                                 QString::number(iChannels)} +
                     encodeArgs + QStringList{strPath});
}

QJsonObject Probe(const QString& strPath) {
    QByteArray output;
    if (!Run(QStringLiteral("ffprobe"),
             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_format"),
              QStringLiteral("-show_streams"), QStringLiteral("-of"), QStringLiteral("json"),
              strPath},
             &output)) {
        return {};
    }
    return QJsonDocument::fromJson(output).object();
}

bool RunPython(const QString& strScript, const QStringList& args, QString* output) {
    QByteArray bytes;
    if (!Run(QStringLiteral("/usr/bin/python3"),
             QStringList{QStringLiteral("-c"), strScript} + args, &bytes)) {
        return false;
    }
    if (output) {
        *output = QString::fromUtf8(bytes);
    }
    return true;
}

}  // namespace MediaTools
