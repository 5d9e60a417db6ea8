#include "framework/KrEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>
#include <QTime>

#include "framework/KrLog.h"
#include "framework/KrMultiLang.h"
#include "framework/KrSettings.h"
#include "framework/KrUtils.h"
#include "framework/LangKeys.h"
#include "framework/SettingKeys.h"

namespace {

TKrEngine* g_Engine = nullptr;

const QString kDefaultName = QStringLiteral("Default");
const QString kDefaultLanguage = QStringLiteral("English");

// "Blue.nsf.skn" and "Blue.skn" both name the skin Blue.
QString StripExtension(const QString& strName) {
    const qsizetype dot = strName.lastIndexOf(u'.');
    return dot < 0 ? strName : strName.first(dot);
}

QStringList NamesInFolder(const QString& strFolder, const QString& strPattern, int iStrip,
                          const QString& strFirst) {
    QStringList files;
    KrUtils::ListFiles(KrUtils::WithTrailingSlash(strFolder) + strPattern, files, false);
    files.sort(Qt::CaseInsensitive);
    QStringList names{strFirst};
    for (const QString& strFile : std::as_const(files)) {
        QString strName = strFile;
        for (int i = 0; i < iStrip; ++i) {
            strName = StripExtension(strName);
        }
        if (!names.contains(strName, Qt::CaseInsensitive)) {
            names.append(strName);
        }
    }
    return names;
}

// Skin and language names come from settings and menus written for a case-blind file system:
// "blue" still finds Blue.skn.
QString FindFileIgnoringCase(const QString& strFolder, const QString& strFileName) {
    const QString strExact = KrUtils::WithTrailingSlash(strFolder) + strFileName;
    if (QFileInfo::exists(strExact)) {
        return strExact;
    }
    const QStringList entries = QDir(strFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& strEntry : entries) {
        if (strEntry.compare(strFileName, Qt::CaseInsensitive) == 0) {
            return KrUtils::WithTrailingSlash(strFolder) + strEntry;
        }
    }
    return QString();
}

QString FilePart(const QString& strPath) {
    const qsizetype slash = qMax(strPath.lastIndexOf(u'/'), strPath.lastIndexOf(u'\\'));
    return strPath.sliced(slash + 1);
}

}  // namespace

TKrEngine* GlobalEngine() {
    return g_Engine;
}

TKrEngine::TKrEngine(QObject* owner) : QObject(owner), FDebug(TKrLog::Active()) {
    FSettingDefault.Append(QStringLiteral("Path.Skins=skins"));
    FSettingDefault.Append(QStringLiteral("Path.Languages=lang"));
    if (g_Engine == nullptr) {
        g_Engine = this;
    }
}

TKrEngine::~TKrEngine() {
    if (g_Engine == this) {
        g_Engine = nullptr;
    }
}

// ---- start-up ------------------------------------------------------------------------------

void TKrEngine::Load() {
    FInLoaded = true;
    if (FSkinApplier != nullptr) {
        FSkinApplier->RememberInitialSkin();
        const QString strSkin = GlobalSettings()->GetSettingString(SettingKeys::Skin);
        SetSkin(strSkin.isEmpty() ? kDefaultName : strSkin);
    }
    if (FLanguageData) {
        const QString strLanguage = GlobalSettings()->GetSettingString(SettingKeys::Language);
        SetLanguage(strLanguage.isEmpty() ? kDefaultLanguage : strLanguage);
    }
    FInLoaded = false;
    QMetaObject::invokeMethod(this, &TKrEngine::HandleInitPost, Qt::QueuedConnection);
}

void TKrEngine::HandleInitPost() {
    emit OnEngineReady();
    emit OnLanguageChanged();
    emit OnSkinChanged();
    ComputeTitle();
    if (GlobalSettings()->GetSettingBool(SettingKeys::UpdateBeginAuto)) {
        emit OnBeginAutoUpdate();
    }
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && !args[1].startsWith(u'-') && !args[1].startsWith(u'/')) {
        ReceiveCmdParam(args[1]);
    }
    FInInited = false;
}

void TKrEngine::ReceiveCmdParam(const QString& strParam) {
    FParamFile = strParam;
    QMetaObject::invokeMethod(
        this, [this] { emit OnCmdFile(FParamFile); }, Qt::QueuedConnection);
}

// ---- skins and languages -------------------------------------------------------------------

QString TKrEngine::SkinFolder() const {
    return KrUtils::JoinPath(GlobalSettings()->ConstDataPath(),
                             GlobalSettings()->GetSettingString(SettingKeys::PathSkins));
}

QString TKrEngine::LanguageFolder() const {
    return KrUtils::JoinPath(GlobalSettings()->ConstDataPath(),
                             GlobalSettings()->GetSettingString(SettingKeys::PathLanguages));
}

QStringList TKrEngine::SkinList() {
    if (FSkinList.isEmpty()) {
        FSkinList = NamesInFolder(SkinFolder(), QStringLiteral("*.skn"), 2, kDefaultName);
    }
    return FSkinList;
}

QStringList TKrEngine::LanguageList() {
    if (FLanguageList.isEmpty()) {
        FLanguageList =
            NamesInFolder(LanguageFolder(), QStringLiteral("*.lan"), 1, kDefaultLanguage);
    }
    return FLanguageList;
}

void TKrEngine::SetSkin(const QString& strSkin) {
    const QString strName = strSkin.isEmpty() ? kDefaultName : strSkin;
    if (FSkinApplier == nullptr || strName == FSkin) {
        return;
    }
    QString strFile = FindFileIgnoringCase(SkinFolder(), strName + QStringLiteral(".skn"));
    const bool bSkinFrame = !strFile.isEmpty();
    if (!bSkinFrame) {
        strFile = FindFileIgnoringCase(SkinFolder(), strName + QStringLiteral(".nsf.skn"));
    }
    if (!strFile.isEmpty()) {
        FSkinApplier->LoadSkinFile(strFile, bSkinFrame);
        FSkin = strName;
    } else {
        if (!FSkin.isEmpty()) {
            FSkinApplier->RestoreInitialSkin();
        }
        FSkin = kDefaultName;
    }
    GlobalSettings()->SetSettingstring(SettingKeys::Skin, FSkin);
    if (!FInLoaded) {
        emit OnSkinChanged();
    }
}

void TKrEngine::SetLanguage(const QString& strLanguage) {
    const QString strName = strLanguage.isEmpty() ? kDefaultName : strLanguage;
    if (!FLanguageData || strName == FLanguage) {
        return;
    }
    const QString strFile = FindFileIgnoringCase(LanguageFolder(), strName + u".lan");
    if (!strFile.isEmpty()) {
        FLanguageData->LoadCurrentFromFile(strFile);
        FLanguageTranslator.clear();
        FLanguageData->CurrentData().GetProp(LangKeys::InfoSection, QString(), LangKeys::Translator,
                                             FLanguageTranslator);
        FLanguage = strName;
    } else {
        if (!FLanguage.isEmpty()) {
            FLanguageData->ClearCurrentAll();
        }
        FLanguageTranslator.clear();
        FLanguage = kDefaultLanguage;
    }
    GlobalSettings()->SetSettingstring(SettingKeys::Language, FLanguage);
    if (FSkinApplier != nullptr) {
        if (TNameValueList* skinTexts = FSkinApplier->SkinTexts()) {
            FLanguageData->GetSectionStrings(LangKeys::SkinResSection, *skinTexts);
        }
    }
    if (!FInLoaded) {
        emit OnLanguageChanged();
    }
    ComputeTitle();
}

// ---- title ---------------------------------------------------------------------------------

QString TKrEngine::AppName() const {
    if (FLanguageData) {
        const QString strName = FLanguageData->AppName();
        if (!strName.isEmpty()) {
            return strName;
        }
    }
    return GlobalSettings()->GetSettingString(SettingKeys::AppName);
}

void TKrEngine::SetTitleIncludeVer(bool bInclude) {
    FTitleIncludeVer = bInclude;
    ComputeTitle();
}

void TKrEngine::ComputeTitle() {
    FAppTitle = AppName();
    if (FTitleIncludeVer) {
        FAppTitle += QStringLiteral("  ") + GlobalSettings()->GetSettingString(SettingKeys::AppVer);
    }
    if (!GlobalSettings()->GetSettingBool(SettingKeys::AppNoAutoTitle)) {
        emit OnTitleChange(FAppTitle);
    }
}

// ---- web pages -----------------------------------------------------------------------------

QString TKrEngine::GetURL(const QString& strPage, bool bAddParams) const {
    TKrSettings* settings = GlobalSettings();
    QString strURL = settings->GetSettingString(SettingKeys::URLPrefix + strPage);
    if (!strURL.trimmed().isEmpty()) {
        const QString strFolder = settings->ConstDataPath();
        strURL.replace(QStringLiteral("%exepath%"), strFolder.first(strFolder.size() - 1),
                       Qt::CaseInsensitive);
        if (!strURL.contains(QStringLiteral("://"))) {
            strURL = KrUtils::BackslashToSlash(strURL);  // a local file written with "\"
        }
    } else {
        strURL = settings->GetSettingString(SettingKeys::URLRedirect);
    }
    if (bAddParams && strURL.startsWith(QStringLiteral("http"), Qt::CaseInsensitive)) {
        return KrUtils::AddURLQuery(strURL,
                                    QStringLiteral("ACTION=") + strPage + u'&' + GetURLParam());
    }
    return strURL;
}

QString TKrEngine::GetURLParam() const {
    using KrUtils::FormEncode;
    TKrSettings* settings = GlobalSettings();
    const QTime now = QTime::currentTime();
    QString strPID = settings->GetSettingString(SettingKeys::AppPID);
    if (strPID.isEmpty()) {
        strPID = settings->GetSettingString(SettingKeys::AppMagicWord);
    }
    QString strChannel = KrUtils::RegReadString(
        QStringLiteral("Software\\") + settings->GetSettingString(SettingKeys::AppRegPath),
        QStringLiteral("CHL"), QStringLiteral("unknow"));
    strChannel = FilePart(strChannel.remove(u'"'));

    return QStringLiteral("%1%2")
               .arg(now.second(), 2, 10, QLatin1Char('0'))
               .arg(now.msec(), 3, 10, QLatin1Char('0')) +
           QStringLiteral("&PID=") + FormEncode(strPID) + QStringLiteral("&LANG=") +
           FormEncode(settings->GetSettingString(SettingKeys::Language)) + QStringLiteral("&DAY=") +
           QString::number(settings->GetRunDays()) + QStringLiteral("&RUNTIME=") +
           QString::number(settings->RunTimes()) + QStringLiteral("&VER=") +
           QStringLiteral("%1")
               .arg(KrUtils::VersionToInt(settings->GetSettingString(SettingKeys::AppVer)), 8, 16,
                    QLatin1Char('0'))
               .toUpper() +
           QStringLiteral("&SVER=") +
           QString::number(settings->GetSettingInteger(SettingKeys::AppSubVer)) +
           QStringLiteral("&WVER=") + FormEncode(SystemVersionText()) + QStringLiteral("&WLANG=") +
           QString::number(SystemLanguageId()) + QStringLiteral("&CHL=") +
           KrUtils::CharsToHex(strChannel);
}

void TKrEngine::ShowPage(const QString& strPage) const {
    ShowPageByURL(GetURL(strPage, true));
}

void TKrEngine::ShowPageByURL(const QString& strURL) const {
    KrUtils::OpenURL(strURL);
}

int TKrEngine::SystemLanguageId() {
    const QLocale locale = QLocale::system();
    return int(locale.territory()) * 1024 + int(locale.language());
}

QString TKrEngine::SystemVersionText() {
    const QStringList parts = QSysInfo::kernelVersion().split(u'.');
    const auto number = [&parts](int i) {
        return i < parts.size() ? QString::number(KrUtils::StrToIntDefault(parts[i], 0))
                                : QStringLiteral("0");
    };
    return number(0) + u'_' + number(1) + u'_';
}

// ---- texts and messages --------------------------------------------------------------------

QString TKrEngine::ResourceString(const QString& strSection, const QString& strName) const {
    QString strValue;
    if (FLanguageData) {
        FLanguageData->GetProp(strSection, QString(), strName, strValue);
    }
    return strValue;
}

QString TKrEngine::GetAppString(const QString& strName) const {
    return ResourceString(LangKeys::AppResSection, strName);
}

QString TKrEngine::GetLibString(const QString& strName) const {
    return ResourceString(LangKeys::LibResSection, strName);
}

QString TKrEngine::GetLibStringEx(const QString& strName, const QStringList& args) const {
    return KrUtils::FillPlaceholders(GetLibString(strName), args);
}

int TKrEngine::ShowMessageEx(const QString& strName, const QStringList& args, int iShowAgainNumber,
                             int iDlgType, int iButtons, int iDefaultResult, bool bLib) {
    QString strText = bLib ? GetLibString(strName) : GetAppString(strName);
    if (strText.isEmpty()) {
        strText = (bLib ? QStringLiteral("[LibRes]") : QStringLiteral("[AppRes]")) + strName;
    }
    strText = KrUtils::FillPlaceholders(strText, args);

    TKrSettings* settings = GlobalSettings();
    if (iShowAgainNumber != 0 && !settings->GetMessageShowAgainFlag(iShowAgainNumber)) {
        return iDefaultResult != 0 ? iDefaultResult
                                   : settings->GetMessageShowAgainResult(iShowAgainNumber);
    }
    if (FMessageDlg == nullptr) {
        // No way to ask (a headless run): the caller's default stands.
        TKrLog::Write(QStringLiteral("Message not shown: ") + strText);
        return iDefaultResult;
    }
    bool bTicked = false;
    const int answer = FMessageDlg->Execute(strText, AppName(), iDlgType, iButtons,
                                            iShowAgainNumber != 0, bTicked);
    if (iShowAgainNumber != 0 && bTicked) {
        settings->SetMessageShowAgainFlag(iShowAgainNumber, false);
        settings->SetMessageShowAgainResult(iShowAgainNumber, answer);
    }
    return answer;
}
