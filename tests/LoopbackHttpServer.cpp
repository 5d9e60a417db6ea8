#include "LoopbackHttpServer.h"

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QMutex>
#include <QMutexLocker>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr int KPatternPeriod = 251;  // prime, so a chunk landing at a wrong offset shows
constexpr size_t KBlockSize = 64 * 1024;

int LocalPort(int fd, bool bPeer) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    const int result = bPeer ? getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                             : getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    if (result != 0 || address.ss_family != AF_INET) {
        return -1;
    }
    return ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port);
}

// Resets the server side of the connection that serves the request: disconnecting a connected
// TCP socket makes the kernel send RST at once, and the library's later close is harmless.
void ResetConnection(const httplib::Request& req) {
    for (int fd = 3; fd < 65536; ++fd) {
        if (LocalPort(fd, false) == req.local_port && LocalPort(fd, true) == req.remote_port) {
            sockaddr address{};
            address.sa_family = AF_UNSPEC;
            connect(fd, &address, sizeof(address));
            return;
        }
    }
}

// The library listens with a backlog of 5, so a burst of simultaneous connections would see
// some of its attempts dropped and retried a second later. Listening again widens the queue.
void WidenBacklog(int iPort) {
    for (int fd = 3; fd < 65536; ++fd) {
        sockaddr_storage peer{};
        socklen_t length = sizeof(peer);
        if (LocalPort(fd, false) == iPort &&
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
            listen(fd, SOMAXCONN);
            return;
        }
    }
}

const std::string& PatternBlock() {
    static const std::string block = [] {
        std::string bytes(KBlockSize + KPatternPeriod, '\0');
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = TLoopbackHttpServer::GeneratedByte(qint64(i));
        }
        return bytes;
    }();
    return block;
}

}  // namespace

struct TLoopbackHttpServer::TImpl {
    std::unique_ptr<httplib::Server> Server;
    std::thread Thread;
    int Port = 0;
    bool Https = false;

    mutable QMutex Lock;
    QMap<QByteArray, TRoute> Routes;
    QList<TRecordedRequest> Requests;

    std::mutex StallLock;
    std::condition_variable StallWake;
    quint64 StallGeneration = 0;
    bool Stopping = false;

    void Start();
    void Handle(const httplib::Request& req, httplib::Response& res);
    bool FindRoute(const std::string& target, TRoute& route) const;
    // Waits until stalls are released or the server stops, or the time passed; true when the
    // answer should go on.
    bool WaitStall();
    bool Sleep(int iMs);
};

void TLoopbackHttpServer::TImpl::Start() {
    Server->new_task_queue = [] { return new httplib::ThreadPool(32); };
    Server->set_keep_alive_max_count(1);
    Server->set_keep_alive_timeout(1);
    Server->Get(".*",
                [this](const httplib::Request& req, httplib::Response& res) { Handle(req, res); });
    Port = Server->bind_to_any_port("127.0.0.1");
    if (Port <= 0) {
        Port = 0;
        return;
    }
    WidenBacklog(Port);
    Thread = std::thread([this] { Server->listen_after_bind(); });
    // A stop before the accept loop runs would be lost and the loop would never end.
    while (!Server->is_running()) {
        std::this_thread::yield();
    }
}

bool TLoopbackHttpServer::TImpl::FindRoute(const std::string& target, TRoute& route) const {
    QMutexLocker locker(&Lock);
    const QByteArray whole = QByteArray::fromStdString(target);
    auto it = Routes.constFind(whole);
    if (it == Routes.constEnd()) {
        const qsizetype query = whole.indexOf('?');
        it = Routes.constFind(query < 0 ? whole : whole.first(query));
    }
    if (it == Routes.constEnd()) {
        return false;
    }
    route = it.value();
    return true;
}

bool TLoopbackHttpServer::TImpl::WaitStall() {
    std::unique_lock<std::mutex> locker(StallLock);
    const quint64 generation = StallGeneration;
    StallWake.wait(locker,
                   [this, generation] { return StallGeneration != generation || Stopping; });
    return !Stopping;
}

bool TLoopbackHttpServer::TImpl::Sleep(int iMs) {
    std::unique_lock<std::mutex> locker(StallLock);
    return !StallWake.wait_for(locker, std::chrono::milliseconds(iMs), [this] { return Stopping; });
}

void TLoopbackHttpServer::TImpl::Handle(const httplib::Request& req, httplib::Response& res) {
    {
        TRecordedRequest record;
        record.Target = QByteArray::fromStdString(req.target);
        record.Version = QByteArray::fromStdString(req.version);
        for (const auto& [name, value] : req.headers) {
            record.Headers.insert(QByteArray::fromStdString(name).toLower(),
                                  QByteArray::fromStdString(value));
        }
        QMutexLocker locker(&Lock);
        Requests.append(record);
    }
    TRoute route;
    if (!FindRoute(req.target, route)) {
        res.status = 404;
        res.set_content("not found", "text/plain");
        return;
    }
    res.status = route.Status;
    if (!route.Location.isEmpty()) {
        res.set_header("Location", route.Location.toStdString());
    }
    for (const auto& [name, value] : std::as_const(route.Headers)) {
        res.set_header(name.toStdString(), value.toStdString());
    }
    if (route.Fault == EFault::KHugeHeader) {
        res.set_header("X-Huge", std::string(size_t(route.HugeHeaderBytes), 'h'));
    }

    const bool bGenerated = route.GeneratedSize >= 0;
    const size_t size = bGenerated ? size_t(route.GeneratedSize) : size_t(route.Body.size());
    const auto body = std::make_shared<QByteArray>(route.Body);
    // Writes up to iMax bytes of the body at an offset; false when the client went away.
    const auto write = [body, bGenerated](size_t offset, size_t iMax, httplib::DataSink& sink) {
        if (bGenerated) {
            const size_t n = std::min(iMax, KBlockSize);
            return sink.write(PatternBlock().data() + offset % KPatternPeriod, n);
        }
        return sink.write(body->constData() + offset, iMax);
    };
    const std::string contentType = route.ContentType.toStdString();

    switch (route.Fault) {
        case EFault::KNone:
        case EFault::KHugeHeader:
            if (bGenerated) {
                res.set_content_provider(
                    size, contentType,
                    [write](size_t offset, size_t length, httplib::DataSink& sink) {
                        return write(offset, length, sink);
                    });
            } else {
                res.set_content(route.Body.toStdString(), contentType);
            }
            return;
        case EFault::KNoContentLength:
            res.set_content_provider(
                contentType, [write, size](size_t offset, httplib::DataSink& sink) {
                    if (offset >= size) {
                        sink.done();
                        return true;
                    }
                    return write(offset, std::min(size - offset, KBlockSize), sink);
                });
            return;
        case EFault::KCutOff:
        case EFault::KReset:
        case EFault::KStall: {
            const size_t cut =
                route.CutAfter < 0 ? size / 2 : std::min(size, size_t(route.CutAfter));
            const EFault fault = route.Fault;
            res.set_content_provider(
                size, contentType,
                [this, write, cut, fault, &req](size_t offset, size_t, httplib::DataSink& sink) {
                    if (offset < cut) {
                        return write(offset, std::min(cut - offset, KBlockSize), sink);
                    }
                    if (fault == EFault::KReset) {
                        ResetConnection(req);
                    } else if (fault == EFault::KStall) {
                        WaitStall();
                    }
                    return false;
                });
            return;
        }
        case EFault::KSlowTrickle: {
            const size_t piece = size_t(std::max(route.TrickleBytes, 1));
            const int iDelay = route.TrickleDelayMs;
            res.set_content_provider(size, contentType,
                                     [this, write, piece, iDelay](size_t offset, size_t length,
                                                                  httplib::DataSink& sink) {
                                         if (offset > 0 && !Sleep(iDelay)) {
                                             return false;
                                         }
                                         return write(offset, std::min(length, piece), sink);
                                     });
            return;
        }
    }
}

TLoopbackHttpServer::TLoopbackHttpServer() : FImpl(std::make_unique<TImpl>()) {
    FImpl->Server = std::make_unique<httplib::Server>();
    FImpl->Start();
}

TLoopbackHttpServer::TLoopbackHttpServer(const QString& strCertFile, const QString& strKeyFile)
    : FImpl(std::make_unique<TImpl>()) {
    FImpl->Https = true;
    FImpl->Server = std::make_unique<httplib::SSLServer>(strCertFile.toLocal8Bit().constData(),
                                                         strKeyFile.toLocal8Bit().constData());
    if (FImpl->Server->is_valid()) {
        FImpl->Start();
    }
}

TLoopbackHttpServer::~TLoopbackHttpServer() {
    {
        std::lock_guard<std::mutex> locker(FImpl->StallLock);
        FImpl->Stopping = true;
    }
    FImpl->StallWake.notify_all();
    if (FImpl->Thread.joinable()) {
        FImpl->Server->stop();
        FImpl->Thread.join();
    }
}

bool TLoopbackHttpServer::IsRunning() const {
    return FImpl->Port > 0;
}

int TLoopbackHttpServer::Port() const {
    return FImpl->Port;
}

QString TLoopbackHttpServer::BaseURL() const {
    return (FImpl->Https ? QStringLiteral("https://127.0.0.1:")
                         : QStringLiteral("http://127.0.0.1:")) +
           QString::number(FImpl->Port);
}

QString TLoopbackHttpServer::URL(const QString& strPath) const {
    return BaseURL() + strPath;
}

void TLoopbackHttpServer::SetRoute(const QString& strPath, const TRoute& route) {
    QMutexLocker locker(&FImpl->Lock);
    FImpl->Routes.insert(strPath.toUtf8(), route);
}

void TLoopbackHttpServer::SetPage(const QString& strPath, const QByteArray& body, int iStatus,
                                  const QByteArray& contentType) {
    TRoute route;
    route.Body = body;
    route.Status = iStatus;
    route.ContentType = contentType;
    SetRoute(strPath, route);
}

void TLoopbackHttpServer::SetGenerated(const QString& strPath, qint64 iSize) {
    TRoute route;
    route.ContentType = "application/octet-stream";
    route.GeneratedSize = iSize;
    SetRoute(strPath, route);
}

void TLoopbackHttpServer::SetRedirect(const QString& strPath, const QString& strLocation,
                                      int iStatus) {
    TRoute route;
    route.Status = iStatus;
    route.Location = strLocation.toUtf8();
    route.Body = "moved";
    SetRoute(strPath, route);
}

void TLoopbackHttpServer::SetFault(const QString& strPath, const QByteArray& body, EFault fault) {
    TRoute route;
    route.Body = body;
    route.Fault = fault;
    SetRoute(strPath, route);
}

void TLoopbackHttpServer::RemoveRoute(const QString& strPath) {
    QMutexLocker locker(&FImpl->Lock);
    FImpl->Routes.remove(strPath.toUtf8());
}

char TLoopbackHttpServer::GeneratedByte(qint64 iOffset) {
    return char('0' + iOffset % KPatternPeriod % 64);
}

QByteArray TLoopbackHttpServer::GeneratedBytes(qint64 iOffset, qint64 iSize) {
    QByteArray bytes(iSize, Qt::Uninitialized);
    for (qint64 i = 0; i < iSize; ++i) {
        bytes[i] = GeneratedByte(iOffset + i);
    }
    return bytes;
}

QList<TLoopbackHttpServer::TRecordedRequest> TLoopbackHttpServer::Requests() const {
    QMutexLocker locker(&FImpl->Lock);
    return FImpl->Requests;
}

int TLoopbackHttpServer::RequestCount(const QString& strTarget) const {
    const QByteArray target = strTarget.toUtf8();
    QMutexLocker locker(&FImpl->Lock);
    int iCount = 0;
    for (const TRecordedRequest& request : std::as_const(FImpl->Requests)) {
        iCount += request.Target == target;
    }
    return iCount;
}

void TLoopbackHttpServer::ReleaseStalls() {
    {
        std::lock_guard<std::mutex> locker(FImpl->StallLock);
        ++FImpl->StallGeneration;
    }
    FImpl->StallWake.notify_all();
}
