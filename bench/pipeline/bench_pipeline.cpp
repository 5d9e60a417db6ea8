// Conversion and tag-rewrite speed against the command-line tools doing the same work, on the
// same input in one run. Prints each figure with its target; exits non-zero if a run failed.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "pipeline/AudioConvert.h"
#include "pipeline/ID3v1.h"
#include "pipeline/ID3v2.h"

namespace {

constexpr int KRuns = 5;

QStringList Args(const char* text) {
    return QString::fromLatin1(text).split(u' ');
}

bool Run(const QString& strProgram, const QStringList& args) {
    QProcess process;
    process.start(strProgram, args);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The median wall time of a few runs, in milliseconds; -1 when a run fails.
double MedianMs(const std::function<bool()>& run) {
    std::vector<double> times;
    for (int i = 0; i < KRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run()) {
            return -1;
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The ffmpeg program converting each input, all at once, with the settings the pipeline uses.
bool RunFFmpegAll(const QStringList& inputs, const QString& strOutputFolder) {
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < inputs.size(); ++i) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(
            QStringLiteral("ffmpeg"),
            QStringList{QStringLiteral("-y"), QStringLiteral("-v"), QStringLiteral("error"),
                        QStringLiteral("-i"), inputs[i]} +
                Args("-vn -ac 2 -ar 44100 -b:a 192k -c:a libmp3lame") +
                QStringList{strOutputFolder + QStringLiteral("/cli%1.mp3").arg(i)});
    }
    bool bOk = true;
    for (const auto& process : processes) {
        bOk = process->waitForFinished(-1) && process->exitStatus() == QProcess::NormalExit &&
              process->exitCode() == 0 && bOk;
    }
    return bOk;
}

// CPU time this process has used, in milliseconds.
double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Runs the conversions at once and waits until every one has released its encoder.
bool ConvertAll(const QStringList& inputs, const QString& strOutputFolder) {
    QObject receiver;
    QEventLoop loop;
    int iPending = static_cast<int>(inputs.size());
    bool bOk = true;
    for (int i = 0; i < inputs.size(); ++i) {
        const bool bStarted = ConvertToAudio(
            inputs[i], strOutputFolder + QStringLiteral("/out%1.mp3").arg(i), QStringLiteral("mp3"),
            &receiver,
            [&](QObject* sender, const TTerminateInfo& info) {
                bOk = bOk && info.Finished;
                if (info.Finished) {
                    // Released at once: the release thread's wait is not conversion time.
                    sender->deleteLater();
                }
                if (--iPending == 0) {
                    loop.quit();
                }
            },
            0, 192);
        if (!bStarted) {
            return false;
        }
    }
    loop.exec();
    return bOk;
}

QString LoadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2)
                                          : QString();
}

void Report(QTextStream& out, const char* name, double dOurs, double dTheirs, double dLimit) {
    const double dRatio = dOurs / dTheirs;
    out << QString::asprintf("%-44s %9.1f ms vs %9.1f ms  ratio %.2f (target <= %.2f) %s\n", name,
                             dOurs, dTheirs, dRatio, dLimit, dRatio <= dLimit ? "met" : "NOT MET");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString strInput = dir.filePath(QStringLiteral("song.m4a"));
    const QString strSecond = dir.filePath(QStringLiteral("song2.m4a"));
    const QString strBig = dir.filePath(QStringLiteral("big.mp3"));
    const QString strOut = dir.filePath(QStringLiteral("out"));
    QFile::remove(strOut);
    if (!dir.isValid() || !QDir().mkpath(strOut) ||
        !Run(QStringLiteral("ffmpeg"),
             Args("-y -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=240 "
                  "-ac 2 -c:a aac -b:a 128k") +
                 QStringList{strInput}) ||
        !QFile::copy(strInput, strSecond) ||
        !Run(QStringLiteral("ffmpeg"),
             Args("-y -v error -f lavfi -i sine=frequency=440:sample_rate=44100:duration=262 "
                  "-ac 2 -c:a libmp3lame -b:a 320k -id3v2_version 0") +
                 QStringList{strBig})) {
        out << "could not prepare the inputs\n";
        return 1;
    }
    out << "input: 240 s AAC stereo; output MP3 192 kbit/s 44100 Hz; median of " << KRuns
        << " runs\n";

    const double dCli = MedianMs([&] { return RunFFmpegAll({strInput}, strOut); });
    const double dOne = MedianMs([&] { return ConvertAll({strInput}, strOut); });
    Report(out, "conversion vs the ffmpeg program", dOne, dCli, 1.0);

    const double dSequential =
        MedianMs([&] { return ConvertAll({strInput}, strOut) && ConvertAll({strSecond}, strOut); });
    // Cores busy while both run: near 2 when the machine has them free, near 1 when other
    // work holds one, which no parallel code can beat.
    double dCpu = 0;
    double dWall = 0;
    const double dTogether = MedianMs([&] {
        const double dCpuBefore = CpuMs();
        QElapsedTimer timer;
        timer.start();
        const bool bOk = ConvertAll({strInput, strSecond}, strOut);
        dWall += timer.nsecsElapsed() / 1e6;
        dCpu += CpuMs() - dCpuBefore;
        return bOk;
    });
    Report(out, "two conversions at once vs one after another", dTogether, dSequential, 0.6);
    // The same for the ffmpeg program: how much the machine lets two conversions overlap.
    const double dCliTogether = MedianMs([&] {
        return RunFFmpegAll({strInput, strSecond}, strOut);
    });
    const double dCliSequential = MedianMs(
        [&] { return RunFFmpegAll({strInput}, strOut) && RunFFmpegAll({strSecond}, strOut); });
    Report(out, "  reference: the ffmpeg program likewise", dCliTogether, dCliSequential, 0.6);
    out << QString::asprintf("  cores busy while both ran: %.2f; load average at start: %s\n",
                             dCpu / dWall, qPrintable(LoadAverage()));

    const QString strCopy = dir.filePath(QStringLiteral("copy.mp3"));
    const QString strTagged = dir.filePath(QStringLiteral("tagged.mp3"));
    QFile::copy(strBig, strTagged);
    const double dCp = MedianMs([&] {
        QFile::remove(strCopy);
        return Run(QStringLiteral("cp"), {strBig, strCopy});
    });
    int iRound = 0;
    const double dTags = MedianMs([&] {
        const QString strTitle = QStringLiteral("Title %1").arg(++iRound);
        TID3v1 v1;
        v1.ReadFromFile(strTagged);
        v1.SetTitle(strTitle);
        TID3v2 v2;
        v2.ReadFromFile(strTagged);
        v2.SetTitle(strTitle);
        v2.SetArtist(QStringLiteral("Artist"));
        return v1.SaveToFile(strTagged) && v2.SaveToFile(strTagged);
    });
    out << "tag file: " << QFileInfo(strBig).size() / 1e6 << " MB\n";
    Report(out, "tag rewrite vs cp", dTags, dCp, 1.5);
    out.flush();
    return dCli < 0 || dCliTogether < 0 || dCliSequential < 0 || dOne < 0 || dSequential < 0 ||
           dTogether < 0 || dCp < 0 || dTags < 0;
}
