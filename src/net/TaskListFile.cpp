#include "net/TaskListFile.h"

#include "framework/KrIniFile.h"
#include "framework/KrLog.h"
#include "framework/KrUtils.h"
#include "net/CommaText.h"
#include "net/DownloadList.h"
#include "net/HttpTransfer.h"
#include "net/NetSettingKeys.h"

namespace Keys = NetSettingKeys;

bool TTaskListFile::Save(const TDownloadList& list, const QString& strFileName) {
    TKrIniFile ini;
    ini.WriteString(Keys::TaskListGlobal, Keys::TaskListItemCount,
                    QString::number(list.ItemCount()));
    for (int i = 0; i < list.ItemCount(); ++i) {
        const TDownloadItem* item = list.Items(i);
        const QString strSection = QString::number(i);
        const TRedirOptions options = item->OrgRedirectOptions();
        ini.WriteString(strSection, Keys::TaskURL, list.Key(i));
        ini.WriteString(strSection, Keys::TaskFileName, item->FileName());
        ini.WriteString(strSection, Keys::TaskCaption, item->Caption());
        ini.WriteString(strSection, Keys::TaskComment, CommaText::Join(item->Comment()));
        ini.WriteString(strSection, Keys::TaskState, QString::number(int(item->DownloadState())));
        ini.WriteString(strSection, Keys::TaskINeedRedirect,
                        options.YesINeedRedirect ? QStringLiteral("1") : QStringLiteral("0"));
        ini.WriteString(strSection, Keys::TaskRedirectTheme,
                        QString::number(int(options.RedirectTheme)));
        ini.WriteString(strSection, Keys::TaskRedirectURL, options.RedirectURL);
    }
    if (!ini.SaveToFile(strFileName)) {
        TKrLog::Write(QLatin1String("Unable to write to ") + strFileName, KNetLogTag);
        return false;
    }
    return true;
}

void TTaskListFile::Load(TDownloadList& list, const QString& strFileName) {
    TKrIniFile ini;
    if (!ini.LoadFromFile(strFileName)) {
        return;
    }
    const int iCount =
        KrUtils::StrToIntDefault(ini.ReadString(Keys::TaskListGlobal, Keys::TaskListItemCount), 0);
    for (int i = 0; i < iCount; ++i) {
        const QString strSection = QString::number(i);
        const auto read = [&](QLatin1String key) { return ini.ReadString(strSection, key); };
        auto* item = new TDownloadItem();
        item->SetURL(read(Keys::TaskURL));
        item->SetFileName(read(Keys::TaskFileName));
        item->SetCaption(read(Keys::TaskCaption));
        item->SetComment(CommaText::Split(read(Keys::TaskComment)));
        const int iState = KrUtils::StrToIntDefault(read(Keys::TaskState), 1);
        item->RestoreState(iState == int(EDownloadState::KFinished) ? EDownloadState::KFinished
                                                                    : EDownloadState::KReady);
        TRedirOptions options;
        options.YesINeedRedirect = KrUtils::StrToIntDefault(read(Keys::TaskINeedRedirect), 0) != 0;
        options.RedirectTheme =
            ERedirectTheme(KrUtils::StrToIntDefault(read(Keys::TaskRedirectTheme), 1));
        options.RedirectURL = read(Keys::TaskRedirectURL);
        item->SetRedirectOptions(options);
        item->SetOrgRedirectOptions(options);
        if (!list.Append(item)) {
            delete item;
        }
    }
}
