#include "search/ResultPage.h"

#include <QRandomGenerator>

#include "framework/KrEngine.h"
#include "framework/KrUtils.h"
#include "framework/LangKeys.h"
#include "search/QorTpl.h"
#include "search/ValueIndex.h"

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
    const TValueIndex values(list);
    tpl.SetVar(QStringLiteral("SC_KEY"), values.Value(QStringLiteral("searchkey")));
    tpl.SetVar(QStringLiteral("APP_PATH"), strProgramFolder);
    tpl.SetVar(QStringLiteral("SCRIPT_NONCE"), NewScriptNonce());

    // An entry without a title or a duration is left out but keeps its number; the shading
    // alternates over the songs shown.
    int count = 0;
    bool bShade = false;
    for (;; ++count) {
        const QString strIndex = QString::number(count);
        const QString strId = values.Value(QStringLiteral("id") + strIndex);
        if (strId.isEmpty()) {
            break;
        }
        const QString strTitle = values.Value(QStringLiteral("title") + strIndex);
        const QString strDuration = values.Value(QStringLiteral("duration") + strIndex);
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
                   values.Value(QStringLiteral("popularity") + strIndex).remove(u'.'));
        tpl.SetVar(QStringLiteral("ID"), strIndex);
        tpl.SetVar(QStringLiteral("DOWNLOADTAB_CLASS"), bShade
                                                            ? QStringLiteral("downloadtab_gray")
                                                            : QStringLiteral("downloadtab_white"));
        bShade = !bShade;
        tpl.EndBlock();
    }
    list.Append(QStringLiteral("VCOUNT=") + QString::number(count));

    for (int k = 0;; ++k) {
        const QString strPage = values.Value(QStringLiteral("page") + QString::number(k));
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
    return KrUtils::FormEncode(FTagMatcher.ReplaceAll(aTitle, QString()))
        .replace(u'%', QStringLiteral("%25"));
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
