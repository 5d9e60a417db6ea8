#pragma once

#include <QByteArrayView>
#include <QLatin1String>
#include <QString>
#include <atomic>
#include <functional>

// The debug-log tag of the web-transfer layer.
inline constexpr QLatin1String KNetLogTag{"KrNet"};

// What one transfer asks of the server. Workers hold a copy, so the owner may change its own
// properties while a transfer runs.
struct THttpRequest {
    QString URL;
    // Sent as the Accept header; empty sends none.
    QString AcceptTypes;
    // Empty leaves the library's default.
    QString Agent;
    QString Referer;
    QString UserName;
    QString Password;
    // File of trusted certificate authorities; empty uses the system's store.
    QString CAFile;
    // Without the cache, plain-HTTP requests ask every cache on the way to revalidate.
    bool UseCache = false;
    // The page fetcher never asked its HTTPS requests to bypass the cache; the tasks do.
    bool ReloadHttps = true;
    bool BinaryData = false;
    // A file transfer must not store an error page as the file.
    bool FailOnHttpError = false;
    int ConnectTimeoutMs = 30000;
    // A transfer that receives no byte for this long fails.
    int ReceiveTimeoutMs = 60000;
};

// Outcome of THttpTransfer::Run.
struct THttpResult {
    // The answer arrived whole: no transport error, no time-out, not stopped.
    bool Complete = false;
    long Status = 0;
    // The Content-Length of the final answer, -1 when it had none.
    qint64 ContentLength = -1;
};

// One HTTP GET on the calling thread, over its own libcurl handle. Redirects are followed (at
// most 10) and only the final answer's body is delivered. Certificates and host names are
// verified. The stop flag is polled at least once a second, also while nothing arrives.
class THttpTransfer {
public:
    struct THandlers {
        // Once, when the final answer's body begins (or, for an empty body, when it ended).
        // False refuses the body and ends the transfer.
        std::function<bool(const THttpResult& head)> BodyStart;
        // Each piece of the body, at most ChunkSize bytes. False ends the transfer.
        std::function<bool(QByteArrayView chunk)> Chunk;
        // Trace lines, on the calling thread.
        std::function<void(const QString& strLine)> Log;
    };

    static constexpr qsizetype ChunkSize = 16384;

    static THttpResult Run(const THttpRequest& request, const std::atomic_bool& stop,
                           const THandlers& handlers);

    // The host and object path of an address, as logged: "http://" or "https://" (any case) is
    // dropped, the host runs to the first "/", the path is the rest.
    static void SplitAddress(const QString& strURL, QString& strHost, QString& strPath);
    // The address as libcurl takes it: a missing scheme means plain HTTP and the scheme is
    // written in lower case.
    static QString NormalizedURL(const QString& strURL);
};
