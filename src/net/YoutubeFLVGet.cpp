#include "net/YoutubeFLVGet.h"

#include "framework/KrSettings.h"
#include "framework/KrUtils.h"
#include "framework/NameValueList.h"
#include "net/NetSettingKeys.h"
#include "net/PatternMatcher.h"
#include "net/SingleDownloader.h"

namespace {

// The resolver reads its patterns line by line, with greedy quantifiers.
bool FirstGroup(const QString& strPattern, const QString& strPage, QString& strGroup) {
    TPatternMatcher matcher(TPatternMatcher::KFieldOptions);
    return matcher.SetPattern(strPattern) && matcher.FirstGroup(strPage, strGroup);
}

// Until a user configures the resolver, it points at the sample catalogue service's usual
// address on this machine.
const QString KServiceAddress = QStringLiteral("http://127.0.0.1:47815");
const QString KLineBreak = QStringLiteral("\r\n");

// Lines as a text list holds them: CR, LF and CR LF all end a line, and a final line break
// adds no empty line.
QStringList SplitLines(const QString& strText) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = strText.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = strText[i];
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        lines.append(strText.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && strText[i + 1] == u'\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < size) {
        lines.append(strText.sliced(start));
    }
    return lines;
}

QString JoinLines(const QStringList& lines) {
    QString strText;
    for (const QString& strLine : lines) {
        strText += strLine + KLineBreak;
    }
    return strText;
}

// The rest of the first line whose text before its first "=" is the name, case ignored.
QString ValueOf(const QStringList& lines, const QString& strName) {
    for (const QString& strLine : lines) {
        const qsizetype eq = strLine.indexOf(u'=');
        if (eq >= 0 && QStringView(strLine).first(eq).compare(strName, Qt::CaseInsensitive) == 0) {
            return strLine.sliced(eq + 1);
        }
    }
    return QString();
}

QStringList Split(const QString& strText, QChar separator) {
    QStringList pieces;
    KrUtils::SplitString(strText, separator, pieces);
    return pieces;
}

// The address chosen from a format table of "format|address" entries: the first usable entry,
// replaced by any later one whose format number is 6 or more.
QString FromFormatTable(const QString& strTable) {
    QString strURL;
    for (const QString& strEntry : Split(strTable, u',')) {
        const QStringList parts = Split(strEntry, u'|');
        if (parts.size() < 2) {
            continue;
        }
        if (strURL.isEmpty() || KrUtils::StrToIntDefault(parts[0], 0) >= 6) {
            strURL = parts[1];
        }
    }
    return strURL;
}

// The "url" of the last entry that offers format 5 as Flash video; empty when there is none or
// the table is malformed.
QString FromEncodedTable(const QString& strTable) {
    QString strChosen;
    for (const QString& strEntry : Split(strTable, u',')) {
        QString strDecoded;
        if (!KrUtils::FormDecode(strEntry, strDecoded)) {
            return QString();
        }
        if (strDecoded.contains(QLatin1String("x-flv")) &&
            strDecoded.contains(QLatin1String("itag=5"))) {
            strChosen = strEntry;
        }
    }
    QString strURL;
    if (!strChosen.isEmpty() &&
        !KrUtils::FormDecode(ValueOf(Split(strChosen, u'&'), QStringLiteral("url")), strURL)) {
        return QString();
    }
    return strURL;
}

}  // namespace

TYoutubeFLVGet::TYoutubeFLVGet(QObject* owner)
    : QObject(owner),
      FYoutubeWatchURI(KServiceAddress + QLatin1String("/watch?v=")),
      FYoutubeGetInfoURI(KServiceAddress + QLatin1String("/get_video_info?&video_id=")),
      FYoutubeGetVideoURI(KServiceAddress + QLatin1String("/get_video?asv=3&video_id=")),
      FYoutubeWatchPattern(QStringLiteral("swfHTML(.*)embed>\";")),
      FYoutubeWatchPattern2(QStringLiteral("\\'PLAYER_CONFIG\\': {(.*)}")),
      FSD(new TSingleDownloader(this)),
      FID(new TSingleDownloader(this)) {
    FID->SetAgent(QStringLiteral("Mozilla/4.0"));
    for (TSingleDownloader* fetcher : {FSD, FID}) {
        connect(fetcher, &TSingleDownloader::OnDoneString, this,
                [this](TSingleDownloader*, const QString& strPage) { HandlePage(strPage); });
        connect(fetcher, &TSingleDownloader::OnError, this,
                [this](TSingleDownloader*) { HandleFetchError(); });
    }
}

TYoutubeFLVGet::~TYoutubeFLVGet() {
    Cancel();
}

void TYoutubeFLVGet::SetTimeouts(int iConnectMs, int iReceiveMs) {
    for (TSingleDownloader* fetcher : {FSD, FID}) {
        fetcher->SetConnectTimeout(iConnectMs);
        fetcher->SetReceiveTimeout(iReceiveMs);
    }
}

void TYoutubeFLVGet::LoadSettings() {
    const TKrSettings* settings = GlobalSettings();
    FYoutubeWatchPattern = settings->GetSettingString(NetSettingKeys::WatchPattern);
    FYoutubeWatchPattern2 = settings->GetSettingString(NetSettingKeys::WatchPattern2);
    FSplitStr = settings->GetSettingString(NetSettingKeys::FLVSplitStr);
    FNeedURLDecode = settings->GetSettingBool(NetSettingKeys::FLVNeedDecode);
    FYoutubeGetVideoURI = settings->GetSettingString(NetSettingKeys::FLVGetVideoURI);
    FYoutubeWatchURI = settings->GetSettingString(NetSettingKeys::WatchURL);
    FYoutubeGetInfoURI = settings->GetSettingString(NetSettingKeys::GetInfoURL);
    FMethod = TYoutubeFLVGetMethod(settings->GetSettingInteger(NetSettingKeys::GetMethod));
    FFLVURLFormat = settings->GetSettingString(NetSettingKeys::FLVURLFormat);
}

void TYoutubeFLVGet::Get() {
    emit OnBeforeGet(this);
    Cancel();
    FBusy = true;
    switch (FMethod) {
        case TYoutubeFLVGetMethod::KFromGetInfo:
        case TYoutubeFLVGetMethod::KFromWatch:
        case TYoutubeFLVGetMethod::KFromWatch2:
            if (!FYoutubeID.isEmpty()) {
                Fetch(FMethod);
                return;
            }
            break;
    }
    // Nothing to fetch: the caller still hears the end of its resolution, after Get returned.
    ReportLater(TOutcome());
}

void TYoutubeFLVGet::Cancel() {
    FSD->Abort();
    FID->Abort();
    ++FGeneration;
    FBusy = false;
}

void TYoutubeFLVGet::Fetch(TYoutubeFLVGetMethod method) {
    FFetching = method;
    switch (method) {
        case TYoutubeFLVGetMethod::KFromGetInfo:
            FSD->SetURL(FYoutubeGetInfoURI + FYoutubeID);
            FSD->GetString();
            break;
        case TYoutubeFLVGetMethod::KFromWatch:
            FSD->SetURL(FYoutubeWatchURI + FYoutubeID);
            FSD->GetString();
            break;
        case TYoutubeFLVGetMethod::KFromWatch2:
            FID->SetURL(FYoutubeWatchURI + FYoutubeID);
            FID->GetString();
            break;
    }
}

void TYoutubeFLVGet::HandlePage(const QString& strPage) {
    switch (FFetching) {
        case TYoutubeFLVGetMethod::KFromGetInfo:
            Finish(FromGetInfo(strPage));
            break;
        case TYoutubeFLVGetMethod::KFromWatch:
            Finish(FromWatch(strPage));
            break;
        case TYoutubeFLVGetMethod::KFromWatch2:
            Finish(FromWatch2(strPage));
            break;
    }
}

void TYoutubeFLVGet::HandleFetchError() {
    Finish(TOutcome());
}

void TYoutubeFLVGet::Finish(const TOutcome& outcome) {
    if (!outcome.URL.isEmpty()) {
        FBusy = false;
        emit OnURIGot(outcome.URL, -1);
    } else if (FFetching == TYoutubeFLVGetMethod::KFromWatch) {
        // The information page is the fallback; the switch stays for later resolutions unless
        // OnBeforeGet sets the method again.
        FMethod = TYoutubeFLVGetMethod::KFromGetInfo;
        Fetch(FMethod);
    } else {
        ReportBad(outcome.Searched);
    }
}

void TYoutubeFLVGet::ReportBad(const QString& strMsg) {
    FBusy = false;
    emit OnBadResponse(strMsg);
}

void TYoutubeFLVGet::ReportLater(const TOutcome& outcome) {
    const quint64 generation = FGeneration;
    QMetaObject::invokeMethod(
        this,
        [this, generation, outcome] {
            if (generation == FGeneration && FBusy) {
                ReportBad(outcome.Searched);
            }
        },
        Qt::QueuedConnection);
}

QString TYoutubeFLVGet::TokenAddress(const QString& strToken) const {
    return strToken.isEmpty() ? QString()
                              : FYoutubeGetVideoURI + FYoutubeID + QLatin1String("&t=") + strToken;
}

TYoutubeFLVGet::TOutcome TYoutubeFLVGet::FromGetInfo(const QString& strPage) const {
    TNameValueList params;
    KrUtils::ParseLinkParams(strPage, params, true);
    return {TokenAddress(params.Value(QStringLiteral("token"))), JoinLines(params.Lines())};
}

TYoutubeFLVGet::TOutcome TYoutubeFLVGet::FromWatch(const QString& strPage) const {
    QString strGroup;
    QStringList lines;
    if (FirstGroup(FYoutubeWatchPattern, strPage, strGroup)) {
        lines = SplitLines(strGroup);
    }
    const auto step = [&lines](auto change) {
        QString strText = JoinLines(lines);
        change(strText);
        lines = SplitLines(strText);
    };
    if (!FSplitStr.isEmpty()) {
        step([this](QString& strText) { strText.replace(FSplitStr, KLineBreak); });
    }
    step([](QString& strText) { strText.replace(u':', u'='); });
    step([](QString& strText) { strText.remove(u'"'); });
    step([](QString& strText) { strText.remove(u' '); });

    TOutcome outcome{QString(), JoinLines(lines)};
    QString strToken = ValueOf(lines, QStringLiteral("t"));
    if (FNeedURLDecode && !KrUtils::FormDecode(strToken, strToken)) {
        return outcome;
    }
    outcome.URL = TokenAddress(strToken);
    return outcome;
}

TYoutubeFLVGet::TOutcome TYoutubeFLVGet::FromWatch2(const QString& strPage) const {
    QString strGroup;
    QStringList lines = SplitLines(strPage);
    if (FirstGroup(FYoutubeWatchPattern2, strPage, strGroup)) {
        lines = SplitLines(strGroup);
    }
    lines = SplitLines(JoinLines(lines).replace(u'&', KLineBreak));

    TOutcome outcome{QString(), JoinLines(lines)};
    QString strTable;
    for (const QLatin1String key :
         {QLatin1String("fmt_stream_map"), QLatin1String("fmt_url_map")}) {
        const QString strValue = ValueOf(lines, key);
        if (!strValue.isEmpty()) {
            if (KrUtils::FormDecode(strValue, strTable)) {
                outcome.URL = FromFormatTable(strTable);
            }
            return outcome;
        }
    }
    const QString strEncoded = ValueOf(lines, QStringLiteral("url_encoded_fmt_stream_map"));
    if (!strEncoded.isEmpty() && KrUtils::FormDecode(strEncoded, strTable)) {
        outcome.URL = FromEncodedTable(strTable);
    }
    return outcome;
}
