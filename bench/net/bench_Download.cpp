// Throughput and memory of the download task engine against curl, over a loopback server in
// this process. Usage: bench_net_download [single MiB (1024)] [parallel MiB (100)] [rounds (3)]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <thread>

#include "LoopbackHttpServer.h"
#include "net/MultiDownloader.h"
#include "net/TransferThread.h"

namespace {

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

qint64 StatusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// Lets VmHWM start again from the current resident size.
void ResetPeakRss() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) {
        clear.write("5");
    }
}

double MiBps(qint64 iBytes, qint64 iNs) {
    return double(iBytes) / (1 << 20) / (double(iNs) / 1e9);
}

// The server alone: a bare socket reader that parses nothing and keeps nothing.
qint64 RawDrainNs(int iPort, const QByteArray& path, qint64 iSize) {
    QElapsedTimer timer;
    timer.start();
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(iPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    const QByteArray request = "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (write(fd, request.constData(), size_t(request.size())) != request.size()) {
        close(fd);
        return -1;
    }
    std::vector<char> buffer(1 << 20);
    qint64 iTotal = 0;
    for (ssize_t n; (n = read(fd, buffer.data(), buffer.size())) > 0;) {
        iTotal += n;
    }
    close(fd);
    return iTotal >= iSize ? timer.nsecsElapsed() : -1;
}

qint64 CurlNs(const QStringList& args) {
    QElapsedTimer timer;
    timer.start();
    QProcess curl;
    curl.setStandardOutputFile(QProcess::nullDevice());
    curl.setStandardErrorFile(QProcess::nullDevice());
    curl.start(QStringLiteral("curl"), args);
    const bool bOk = curl.waitForFinished(-1) && curl.exitStatus() == QProcess::NormalExit &&
                     curl.exitCode() == 0;
    return bOk ? timer.nsecsElapsed() : -1;
}

// Runs the tasks to their end with a progress handler attached; the time, or -1 on failure.
qint64 HalvexNs(const QStringList& urls, const QStringList& files, int iMaxTasks,
                qint64* pProgressEvents) {
    TMultiDownloader md;
    md.SetMaxTasks(iMaxTasks);
    qint64 iEvents = 0;
    qint64 iSeen = 0;
    QObject::connect(&md, &TMultiDownloader::OnProgress, &md,
                     [&](TDownloadList*, int, qint64, qint64 iReaded) {
                         ++iEvents;
                         iSeen = std::max(iSeen, iReaded);
                     });
    QEventLoop loop;
    bool bFailed = false;
    QObject::connect(&md, &TMultiDownloader::OnStateChanged, &loop,
                     [&](TDownloadList*, int, EDownloadState state) {
                         bFailed = bFailed || state == EDownloadState::KFailed;
                         if (bFailed || md.UnfinishedTasksCount() == 0) {
                             loop.quit();
                         }
                     });
    for (int i = 0; i < urls.size(); ++i) {
        md.Append(urls[i], files[i], false, ERedirectTheme::KDirect, QString());
    }
    QElapsedTimer timer;
    timer.start();
    md.Resume();
    loop.exec();
    const qint64 iNs = timer.nsecsElapsed();
    if (pProgressEvents) {
        *pProgressEvents = iEvents;
    }
    return bFailed ? -1 : iNs;
}

// The per-chunk hand-off alone, without any transfer: its cost is the floor of the task's
// overhead over curl.
class THandOffOnly : public TTransferThread {
public:
    static constexpr int KCount = 100000;
    THandOffOnly() : TTransferThread(THttpRequest()) {}

private:
    bool Work() override {
        for (int i = 0; i < KCount; ++i) {
            ++FBytesReaded;
            if (!HandOffProgress()) {
                return false;
            }
        }
        return true;
    }
};

double HandOffMicroseconds() {
    auto* thread = new THandOffOnly;
    qint64 iCalls = 0;
    thread->SetChunkHandler([&iCalls](qint64, qint64) { ++iCalls; });
    QEventLoop loop;
    thread->SetDoneHandler([&loop](TTransferThread*) { loop.quit(); });
    QElapsedTimer timer;
    timer.start();
    thread->StartWork();
    loop.exec();
    return iCalls == THandOffOnly::KCount ? double(timer.nsecsElapsed()) / 1e3 / double(iCalls)
                                          : -1;
}

qint64 Best(const QList<qint64>& times) {
    qint64 best = -1;
    for (qint64 t : times) {
        if (t > 0 && (best < 0 || t < best)) {
            best = t;
        }
    }
    return best;
}

void Report(const QString& strName, qint64 iBytes, qint64 iNs) {
    Out() << QStringLiteral("  %1 %2 MiB/s (%3 s)\n")
                 .arg(strName, -44)
                 .arg(iNs > 0 ? MiBps(iBytes, iNs) : 0.0, 8, 'f', 1)
                 .arg(double(iNs) / 1e9, 0, 'f', 3);
    Out().flush();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 iSingleMiB = args.size() > 1 ? args[1].toLongLong() : 1024;
    const qint64 iParallelMiB = args.size() > 2 ? args[2].toLongLong() : 100;
    const int iRounds = args.size() > 3 ? args[3].toInt() : 3;
    const qint64 iSingle = iSingleMiB << 20;
    const qint64 iParallel = iParallelMiB << 20;

    TLoopbackHttpServer server;
    if (!server.IsRunning()) {
        return 1;
    }
    QTemporaryDir work;
    const QString strDir = work.path() + u'/';
    server.SetGenerated(QStringLiteral("/single"), iSingle);
    QStringList parallelUrls;
    QStringList parallelFiles;
    QStringList parallelNull;
    QStringList curlParallel{QStringLiteral("-s"), QStringLiteral("--parallel"),
                             QStringLiteral("--parallel-max"), QStringLiteral("10"),
                             QStringLiteral("--http1.0")};
    for (int i = 0; i < 10; ++i) {
        const QString strPath = QStringLiteral("/part%1").arg(i);
        server.SetGenerated(strPath, iParallel);
        parallelUrls.append(server.URL(strPath));
        parallelFiles.append(strDir + QStringLiteral("part%1.bin").arg(i));
        // Task files must differ, so each one is its own link to /dev/null.
        parallelNull.append(strDir + QStringLiteral("part%1.null").arg(i));
        QFile::link(QStringLiteral("/dev/null"), parallelNull.last());
        curlParallel << QStringLiteral("-o") << QStringLiteral("/dev/null") << server.URL(strPath);
    }
    const QString strSingleURL = server.URL(QStringLiteral("/single"));
    const QString strSingleFile = strDir + QStringLiteral("single.bin");

    Out() << QStringLiteral("One task, %1 MiB, best of %2 rounds:\n").arg(iSingleMiB).arg(iRounds);
    QList<qint64> raw, curlNull, curlFile, halvexFile, halvexNull;
    qint64 iEvents = 0;
    qint64 iPeakGrowthKiB = 0;
    for (int r = 0; r < iRounds; ++r) {
        raw.append(RawDrainNs(server.Port(), "/single", iSingle));
        curlNull.append(CurlNs({QStringLiteral("-s"), QStringLiteral("--http1.0"),
                                QStringLiteral("-o"), QStringLiteral("/dev/null"), strSingleURL}));
        curlFile.append(CurlNs({QStringLiteral("-s"), QStringLiteral("--http1.0"),
                                QStringLiteral("-o"), strSingleFile, strSingleURL}));
        QFile::remove(strSingleFile);
        const qint64 iRssBefore = StatusKiB("VmRSS:");
        ResetPeakRss();
        halvexFile.append(HalvexNs({strSingleURL}, {strSingleFile}, 1, &iEvents));
        iPeakGrowthKiB = std::max(iPeakGrowthKiB, StatusKiB("VmHWM:") - iRssBefore);
        QFile::remove(strSingleFile);
        halvexNull.append(HalvexNs({strSingleURL}, {QStringLiteral("/dev/null")}, 1, nullptr));
    }
    Report(QStringLiteral("server alone (bare socket reader)"), iSingle, Best(raw));
    Report(QStringLiteral("curl -o /dev/null"), iSingle, Best(curlNull));
    Report(QStringLiteral("curl -o file"), iSingle, Best(curlFile));
    Report(QStringLiteral("Halvex task -> file"), iSingle, Best(halvexFile));
    Report(QStringLiteral("Halvex task -> /dev/null"), iSingle, Best(halvexNull));
    Out() << QStringLiteral("  hand-off alone: %1 us per chunk\n")
                 .arg(HandOffMicroseconds(), 0, 'f', 2);
    Out() << QStringLiteral("  progress events per transfer: %1; peak RSS growth: %2 MiB\n")
                 .arg(iEvents)
                 .arg(double(iPeakGrowthKiB) / 1024, 0, 'f', 1);
    Out() << QStringLiteral(
                 "  ratio Halvex/curl: file/file %1, /dev/null//dev/null %2, "
                 "file//dev/null %3\n")
                 .arg(double(Best(curlFile)) / double(Best(halvexFile)), 0, 'f', 2)
                 .arg(double(Best(curlNull)) / double(Best(halvexNull)), 0, 'f', 2)
                 .arg(double(Best(curlNull)) / double(Best(halvexFile)), 0, 'f', 2);

    Out() << QStringLiteral("Ten tasks of %1 MiB, MaxTasks 10, best of %2 rounds:\n")
                 .arg(iParallelMiB)
                 .arg(iRounds);
    QList<qint64> curlPar, halvexPar, halvexParNull;
    for (int r = 0; r < iRounds; ++r) {
        curlPar.append(CurlNs(curlParallel));
        halvexPar.append(HalvexNs(parallelUrls, parallelFiles, 10, nullptr));
        for (const QString& strFile : std::as_const(parallelFiles)) {
            QFile::remove(strFile);
        }
        halvexParNull.append(HalvexNs(parallelUrls, parallelNull, 10, nullptr));
    }
    const qint64 iAll = 10 * iParallel;
    Report(QStringLiteral("curl --parallel -o /dev/null"), iAll, Best(curlPar));
    Report(QStringLiteral("Halvex 10 tasks -> files"), iAll, Best(halvexPar));
    Report(QStringLiteral("Halvex 10 tasks -> /dev/null"), iAll, Best(halvexParNull));
    Out() << QStringLiteral("  ratio Halvex/curl: files %1, /dev/null %2\n")
                 .arg(double(Best(curlPar)) / double(Best(halvexPar)), 0, 'f', 2)
                 .arg(double(Best(curlPar)) / double(Best(halvexParNull)), 0, 'f', 2);
    return 0;
}
