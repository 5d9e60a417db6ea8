#include "search/CurrentInfo.h"

#include "framework/KrEngine.h"
#include "framework/KrSettings.h"
#include "framework/LangKeys.h"
#include "search/SearchKeys.h"

bool TCurrentInfo::GetMDInfo() {
    MDInfo.Clear();
    const TKrSettings* settings = GlobalSettings();
    const QString strSearchURL = settings->GetSettingString(SearchKeys::SearchKeyURL);
    if (strSearchURL.isEmpty()) {
        GlobalEngine()->ShowMessageEx(LangKeys::MsgInfoGetting, {}, 0, KrDlg::KWarning, KrDlg::KOk);
        return false;
    }
    MDInfo.Append(SearchKeys::SearchKeyURL + u'=' + strSearchURL);
    MDInfo.Append(SearchKeys::DownloadURL + u'=' +
                  settings->GetSettingString(SearchKeys::DownloadURL));
    return true;
}
