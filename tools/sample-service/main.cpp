// The sample catalogue service: a stand-in for the video service that the shipped configuration
// points at, and the fixture of the end-to-end tests.
#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <thread>

#include "SampleRoutes.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr quint16 kDefaultPort = 47815;

// SIGINT and SIGTERM stop the server from a thread of their own, so that the process ends through
// its normal exit path.
class TStopOnSignal {
public:
    explicit TStopOnSignal(httplib::Server& server) {
        sigemptyset(&FSignals);
        sigaddset(&FSignals, SIGINT);
        sigaddset(&FSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &FSignals, nullptr);
        FThread = std::thread([this, &server] {
            int signal = 0;
            sigwait(&FSignals, &signal);
            server.stop();
        });
    }
    ~TStopOnSignal() {
        pthread_kill(FThread.native_handle(), SIGTERM);
        FThread.join();
    }
    TStopOnSignal(const TStopOnSignal&) = delete;
    TStopOnSignal& operator=(const TStopOnSignal&) = delete;

private:
    sigset_t FSignals;
    std::thread FThread;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("halvex-sample-service"));
    // The request log on standard error stays readable; encoder chatter is not a fault.
    av_log_set_level(AV_LOG_ERROR);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves a small song catalogue on 127.0.0.1: search, charts, hot songs, watch pages, "
        "video information, synthesized audio streams and update answers."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Port to listen on (default %1); 0 picks a free one.").arg(kDefaultPort),
        QStringLiteral("N"), QString::number(kDefaultPort));
    const QCommandLineOption latestOption(
        QStringLiteral("latest-version"),
        QStringLiteral("Version the update answer announces (default 0.1.0.0)."),
        QStringLiteral("a.b.c.d"), QStringLiteral("0.1.0.0"));
    const QCommandLineOption magicOption(
        QStringLiteral("magic-word"),
        QStringLiteral("Magic word of the update answer (default HalvexSample)."),
        QStringLiteral("word"), QStringLiteral("HalvexSample"));
    const QCommandLineOption modifyOption(
        QStringLiteral("modify"),
        QStringLiteral("Adds a setting that update answers ask the program to store; may be "
                       "repeated."),
        QStringLiteral("key=value"));
    parser.addOptions({portOption, latestOption, magicOption, modifyOption});
    parser.process(app);

    bool bPortOk = false;
    const uint port = parser.value(portOption).toUInt(&bPortOk);
    if (!bPortOk || port > 65535) {
        std::fprintf(stderr, "halvex-sample-service: invalid port \"%s\"\n",
                     qUtf8Printable(parser.value(portOption)));
        return 2;
    }

    // Each one becomes a line of the answer, so it must be one "key=value" line.
    for (const QString& strModification : parser.values(modifyOption)) {
        if (strModification.indexOf(u'=') < 1 || strModification.contains(u'\n') ||
            strModification.contains(u'\r')) {
            std::fprintf(stderr, "halvex-sample-service: invalid --modify \"%s\"\n",
                         qUtf8Printable(strModification));
            return 2;
        }
    }

    httplib::Server server;
    // Without SO_REUSEPORT a second service on the same port fails instead of sharing it.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        std::fprintf(stderr, "%s %s %d\n", req.method.c_str(), req.target.c_str(), res.status);
    });
    TStopOnSignal stopOnSignal(server);

    const char* host = "127.0.0.1";
    const int boundPort = port == 0 ? server.bind_to_any_port(host)
                                    : (server.bind_to_port(host, int(port)) ? int(port) : -1);
    if (boundPort <= 0) {
        std::fprintf(stderr, "halvex-sample-service: cannot listen on %s:%u\n", host, port);
        return 1;
    }

    TServiceOptions options;
    options.Port = quint16(boundPort);
    options.MagicWord = parser.value(magicOption);
    options.LatestVersion = parser.value(latestOption);
    options.Modifications = parser.values(modifyOption);
    TSampleRoutes routes(options);
    routes.Register(server);

    std::printf("halvex-sample-service listening on http://%s:%d/\n", host, boundPort);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
