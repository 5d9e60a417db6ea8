#include "net/HttpTransfer.h"

#include <curl/curl.h>

#include <QElapsedTimer>
#include <mutex>

namespace {

constexpr long KMaxRedirects = 10;
constexpr long KReceiveBufferSize = 128 * 1024;

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// State shared with libcurl's callbacks during one Run.
struct TCallContext {
    CURL* Curl = nullptr;
    const std::atomic_bool* Stop = nullptr;
    const THttpTransfer::THandlers* Handlers = nullptr;
    THttpResult Head;
    bool BodyStarted = false;
    bool Refused = false;
    QElapsedTimer SinceLastByte;
    int ReceiveTimeoutMs = 0;
    bool TimedOut = false;

    bool StartBody() {
        BodyStarted = true;
        curl_easy_getinfo(Curl, CURLINFO_RESPONSE_CODE, &Head.Status);
        curl_off_t length = -1;
        curl_easy_getinfo(Curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        Head.ContentLength = length;
        if (Handlers->BodyStart && !Handlers->BodyStart(Head)) {
            Refused = true;
            return false;
        }
        return true;
    }
};

size_t WriteCallback(char* data, size_t size, size_t count, void* userData) {
    auto* ctx = static_cast<TCallContext*>(userData);
    const size_t total = size * count;
    ctx->SinceLastByte.restart();
    if (ctx->Stop->load() || (!ctx->BodyStarted && !ctx->StartBody())) {
        return 0;
    }
    for (size_t done = 0; done < total;) {
        const size_t piece = std::min<size_t>(total - done, THttpTransfer::ChunkSize);
        if (ctx->Stop->load() || (ctx->Handlers->Chunk && !ctx->Handlers->Chunk(QByteArrayView(
                                                              data + done, qsizetype(piece))))) {
            ctx->Refused = true;
            return 0;
        }
        done += piece;
    }
    return total;
}

int ProgressCallback(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* ctx = static_cast<TCallContext*>(userData);
    if (ctx->Stop->load()) {
        return 1;
    }
    if (ctx->SinceLastByte.elapsed() > ctx->ReceiveTimeoutMs) {
        ctx->TimedOut = true;
        return 1;
    }
    return 0;
}

// Any received byte, header or body, shows the peer is alive.
size_t HeaderCallback(char*, size_t size, size_t count, void* userData) {
    static_cast<TCallContext*>(userData)->SinceLastByte.restart();
    return size * count;
}

class TCurlHandle {
public:
    TCurlHandle() : FCurl(curl_easy_init()) {}
    ~TCurlHandle() {
        if (FHeaders) {
            curl_slist_free_all(FHeaders);
        }
        if (FCurl) {
            curl_easy_cleanup(FCurl);
        }
    }
    TCurlHandle(const TCurlHandle&) = delete;
    TCurlHandle& operator=(const TCurlHandle&) = delete;

    CURL* Get() const { return FCurl; }
    void AddHeader(const QString& strHeader) {
        FHeaders = curl_slist_append(FHeaders, strHeader.toUtf8().constData());
    }
    curl_slist* Headers() const { return FHeaders; }

private:
    CURL* FCurl;
    curl_slist* FHeaders = nullptr;
};

}  // namespace

void THttpTransfer::SplitAddress(const QString& strURL, QString& strHost, QString& strPath) {
    QString strRest = strURL;
    if (strRest.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)) {
        strRest.remove(0, 7);
    } else if (strRest.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        strRest.remove(0, 8);
    }
    const qsizetype slash = strRest.indexOf(u'/');
    strHost = slash < 0 ? strRest : strRest.first(slash);
    strPath = slash < 0 ? QString() : strRest.sliced(slash);
}

QString THttpTransfer::NormalizedURL(const QString& strURL) {
    for (const QLatin1String scheme : {QLatin1String("http://"), QLatin1String("https://")}) {
        if (strURL.startsWith(scheme, Qt::CaseInsensitive)) {
            return scheme + strURL.sliced(scheme.size());
        }
    }
    return QLatin1String("http://") + strURL;
}

THttpResult THttpTransfer::Run(const THttpRequest& request, const std::atomic_bool& stop,
                               const THandlers& handlers) {
    const auto log = [&](const QString& strLine) {
        if (handlers.Log) {
            handlers.Log(strLine);
        }
    };
    QString strHost;
    QString strPath;
    SplitAddress(request.URL, strHost, strPath);
    log(QLatin1String("ParseURL: ") + request.URL);
    log(QLatin1String("ParseURL: ") + strHost);
    log(QLatin1String("ParseURL: ") + strPath);

    TCallContext ctx;
    ctx.Stop = &stop;
    ctx.Handlers = &handlers;
    ctx.ReceiveTimeoutMs = request.ReceiveTimeoutMs;
    if (stop.load()) {
        return ctx.Head;
    }

    GlobalInit();
    TCurlHandle handle;
    CURL* curl = handle.Get();
    if (!curl) {
        return ctx.Head;
    }
    ctx.Curl = curl;
    log(QStringLiteral("GET"));

    const QString strURL = NormalizedURL(request.URL);
    const bool bHttps = strURL.startsWith(QLatin1String("https://"));
    const QByteArray url = strURL.toUtf8();
    const QByteArray agent = request.Agent.toUtf8();
    const QByteArray referer = request.Referer.toUtf8();
    const QByteArray userName = request.UserName.toUtf8();
    const QByteArray password = request.Password.toUtf8();
    const QByteArray caFile = request.CAFile.toUtf8();

    handle.AddHeader(QLatin1String("Accept:") +
                     (request.AcceptTypes.isEmpty() ? QString() : u' ' + request.AcceptTypes));
    if (!request.UseCache && (!bHttps || request.ReloadHttps)) {
        handle.AddHeader(QStringLiteral("Pragma: no-cache"));
        handle.AddHeader(QStringLiteral("Cache-Control: no-cache"));
    }

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, handle.Headers());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, KMaxRedirects);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    }
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(request.ConnectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // Large socket reads keep system calls few; the body is still handed on in chunks.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, long(KReceiveBufferSize));
    if (!agent.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.constData());
    }
    if (!referer.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_REFERER, referer.constData());
    }
    if (!userName.isEmpty() || !password.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, userName.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &ctx);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, HeaderCallback);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &ctx);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &ctx);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    ctx.SinceLastByte.start();
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK && !ctx.BodyStarted && !ctx.StartBody()) {
        return ctx.Head;
    }
    if (code != CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &ctx.Head.Status);
        log(QLatin1String("Transfer failed (HTTP ") + QString::number(ctx.Head.Status) +
            QLatin1String("): ") +
            (ctx.TimedOut ? QStringLiteral("nothing received in time")
                          : QString::fromUtf8(curl_easy_strerror(code))));
        return ctx.Head;
    }
    ctx.Head.Complete = !stop.load();
    return ctx.Head;
}
