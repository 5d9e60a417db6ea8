#include "search/ResultPage.h"

#include <QRandomGenerator>

#include <vector>

#include "framework/KrEngine.h"
#include "framework/KrUtils.h"
#include "framework/LangKeys.h"
#include "search/QorTpl.h"

namespace {

// Titles are inserted into the page as the service sends them; the page's security policy lets
// only scripts carrying this fresh, unguessable number run.
QString NewScriptNonce() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words), sizeof words)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

// The lines of a result list that the page shows, found in one pass: "SearchKey" and the
// numbered names ("ID" + n ... "PAGE" + k), each at its first line as the list's own look-up
// would find it. Thousands of songs cost no more per song than a few.
class TResultLines {
public:
    enum EField { KId, KTitle, KDuration, KPopularity, KPage, KFieldCount };

    explicit TResultLines(const TNameValueList& list) : FList(list) {
        static const QLatin1String kNames[KFieldCount] = {
            QLatin1String("ID"), QLatin1String("TITLE"), QLatin1String("DURATION"),
            QLatin1String("POPULARITY"), QLatin1String("PAGE")};
        for (qsizetype i = 0; i < list.Count(); ++i) {
            const QString& line = list.Line(i);
            const qsizetype eq = line.indexOf(u'=');
            if (eq < 0) {
                continue;
            }
            const QStringView name = QStringView(line).first(eq);
            if (name.compare(QLatin1String("SearchKey"), Qt::CaseInsensitive) == 0) {
                FSearchKey = FSearchKey < 0 ? i : FSearchKey;
                continue;
            }
            for (int field = 0; field < KFieldCount; ++field) {
                if (!name.startsWith(kNames[field], Qt::CaseInsensitive)) {
                    continue;
                }
                // No list holds more numbered lines than lines.
                const int n = Number(name.sliced(kNames[field].size()));
                if (n >= 0 && n < list.Count()) {
                    std::vector<qsizetype>& lineOf = FSlots[field];
                    if (lineOf.size() <= size_t(n)) {
                        lineOf.resize(n + 1, -1);
                    }
                    lineOf[n] = lineOf[n] < 0 ? i : lineOf[n];
                }
                break;
            }
        }
    }

    QString Value(EField field, int n) const {
        const std::vector<qsizetype>& lineOf = FSlots[field];
        return size_t(n) < lineOf.size() && lineOf[n] >= 0 ? FList.ValueFromIndex(lineOf[n])
                                                           : QString();
    }
    QString SearchKey() const {
        return FSearchKey < 0 ? QString() : FList.ValueFromIndex(FSearchKey);
    }

private:
    // The plain decimal form only: "ID012" is another name than "ID12".
    static int Number(QStringView digits) {
        if (digits.isEmpty() || digits.size() > 9 || (digits.size() > 1 && digits[0] == u'0')) {
            return -1;
        }
        for (const QChar c : digits) {
            if (c < u'0' || c > u'9') {
                return -1;
            }
        }
        return digits.toInt();
    }

    const TNameValueList& FList;
    std::vector<qsizetype> FSlots[KFieldCount];
    qsizetype FSearchKey = -1;
};

}  // namespace

TResultPage::TResultPage() {
    FTagMatcher.SetPattern(QStringLiteral("<(\\S*?)[^>]*>"));
}

bool TResultPage::MakeResultHtml(TNameValueList& list, int iCurrentPage,
                                 const QString& strProgramFolder, QString& strHtml) {
    TQorTpl tpl;
    if (!tpl.LoadTpl(KrUtils::JoinPath(strProgramFolder,
                                       GlobalEngine()->GetAppString(LangKeys::TplResultFile)))) {
        return false;
    }
    const TResultLines values(list);
    tpl.SetVar(QStringLiteral("SC_KEY"), values.SearchKey());
    tpl.SetVar(QStringLiteral("APP_PATH"), strProgramFolder);
    tpl.SetVar(QStringLiteral("SCRIPT_NONCE"), NewScriptNonce());

    // An entry without a title or a duration is left out but keeps its number; the shading
    // alternates over the songs shown.
    int count = 0;
    bool bShade = false;
    for (;; ++count) {
        const QString strId = values.Value(TResultLines::KId, count);
        if (strId.isEmpty()) {
            break;
        }
        const QString strTitle = values.Value(TResultLines::KTitle, count);
        const QString strDuration = values.Value(TResultLines::KDuration, count);
        if (strTitle.isEmpty() || strDuration.isEmpty()) {
            continue;
        }
        tpl.BeginBlock(QStringLiteral("youtube"));
        tpl.SetVar(QStringLiteral("YT_TITLE"), strTitle);
        tpl.SetVar(QStringLiteral("YT_TITLE_URL"), GetTitleURL(strTitle));
        tpl.SetVar(QStringLiteral("RUN_TIME"), strDuration);
        tpl.SetVar(QStringLiteral("YT_ID"), strId);
        tpl.SetVar(QStringLiteral("YT_LONG"), GetRuntimeLong(strDuration));
        tpl.SetVar(QStringLiteral("APP_PATH"), strProgramFolder);
        tpl.SetVar(QStringLiteral("POPULARITY"),
                   values.Value(TResultLines::KPopularity, count).remove(u'.'));
        tpl.SetVar(QStringLiteral("ID"), QString::number(count));
        tpl.SetVar(QStringLiteral("DOWNLOADTAB_CLASS"), bShade
                                                            ? QStringLiteral("downloadtab_gray")
                                                            : QStringLiteral("downloadtab_white"));
        bShade = !bShade;
        tpl.EndBlock();
    }
    list.Append(QStringLiteral("VCOUNT=") + QString::number(count));

    for (int k = 0;; ++k) {
        const QString strPage = values.Value(TResultLines::KPage, k);
        if (strPage.isEmpty()) {
            break;
        }
        tpl.BeginBlock(QStringLiteral("pages"));
        if (KrUtils::StrToIntDefault(strPage, -1) == iCurrentPage) {
            tpl.SetVar(QStringLiteral("CURRENTPAGE"), QString::number(iCurrentPage));
        } else {
            tpl.SetVar(QStringLiteral("PAGE"), strPage);
            tpl.SetVar(QStringLiteral("PAGE_ID"), strPage);
        }
        tpl.EndBlock();
    }
    tpl.MakeHtml();
    strHtml = tpl.OutPutHtml();
    return true;
}

QString TResultPage::GetTitleURL(const QString& aTitle) {
    return KrUtils::FormEncode(PlainTitle(aTitle)).replace(u'%', QStringLiteral("%25"));
}

QString TResultPage::PlainTitle(const QString& aTitle) {
    return FTagMatcher.ReplaceAll(aTitle, QString());
}

QString TResultPage::GetRuntimeLong(const QString& aRuntime) {
    if (aRuntime.isEmpty()) {
        return QString();
    }
    QString strText = aRuntime;
    const qsizetype gt = strText.indexOf(u'>');
    if (gt >= 0) {
        strText.remove(0, gt + 1);
    }
    const qsizetype lt = strText.indexOf(u'<');
    if (lt >= 0) {
        strText.truncate(lt);
    }
    const QStringList fields = strText.split(u':');
    if (fields.size() < 2) {
        return QString::number(KrUtils::StrToIntDefault(fields[0], 0));
    }
    // 64 bits: a huge minute count must not overflow.
    return QString::number(qint64(KrUtils::StrToIntDefault(fields[0], 0)) * 60 +
                           KrUtils::StrToIntDefault(fields[1], 0));
}
