#include "framework/KrSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <unistd.h>

#include <memory>

#include "framework/KrEngine.h"
#include "framework/KrLog.h"
#include "framework/KrUtils.h"
#include "framework/SettingKeys.h"

namespace {

const QString kLogTag = QStringLiteral("KrSettings");
const QString kDefaultSettingFile = QStringLiteral("setting.dat");
const QString kUserFlagFile = QStringLiteral("UserFlag.ini");
const QString kFlagSection = QStringLiteral("Flag");
const QString kAllUsersKey = QStringLiteral("AllUsers");

std::unique_ptr<TKrSettings> g_Settings;

QString FixedFileName(const QString& strSettingFile) {
    QString strName = strSettingFile;
    return strName.replace(QStringLiteral("setting"), QStringLiteral("const"), Qt::CaseInsensitive);
}

bool MakeFolder(const QString& strFolder) {
    return QDir().mkpath(strFolder);
}

}  // namespace

TKrSettings::TKrSettings(const QString& strSettingFile, const QString& strProgramFolder) {
    FSettingFilename = strSettingFile.isEmpty() ? kDefaultSettingFile : strSettingFile;
    const QString strConstFile =
        strSettingFile.isEmpty() ? QStringLiteral("const.dat") : FixedFileName(strSettingFile);
    FConstDataPath = strProgramFolder.isEmpty() ? KrUtils::ProgramFolder()
                                                : KrUtils::WithTrailingSlash(strProgramFolder);

    FConstValueIni.LoadFromFile(FConstDataPath + strConstFile);
    FOemValueIni.LoadFromFile(FConstDataPath + u"oem." + strConstFile);

    // Only the fixed files take part here: no user file is open yet.
    FConfigPathWord = FOemValueIni.ReadString(
        SettingKeys::Section, SettingKeys::AppConfigPath,
        FConstValueIni.ReadString(SettingKeys::Section, SettingKeys::AppConfigPath));
    if (FConfigPathWord.isEmpty()) {
        FConfigPathWord = KrUtils::ProgramFileName();
        FConfigPathWord.replace(u'\\', u'_').replace(u':', u'_').replace(u'/', u'_');
    }
    FUserDataPathCurrentUser = KrUtils::UserDataHome() + FConfigPathWord + u'/';
    FUserDataPathAllUsers = KrUtils::CommonDataHome() + FConfigPathWord + u'/';

    bool bAllUser = false;
    const QString strNoAllUser = FOemValueIni.ReadString(
        SettingKeys::Section, SettingKeys::SettingNoAllUser,
        FConstValueIni.ReadString(SettingKeys::Section, SettingKeys::SettingNoAllUser));
    if (KrUtils::StrToIntDefault(strNoAllUser, 0) == 0) {
        if (IsAllUserFlagExists()) {
            if (GetAllUserFlag() && !IsAllUserPathWriteable()) {
                SetAllUserFlag(false);
            }
        } else {
            SetAllUserFlag(IsAllUserPathWriteable());
        }
        bAllUser = GetAllUserFlag();
    }
    SetAllUser(bAllUser);

    FRunTimes = GetSettingInteger(SettingKeys::RunTimes);
    SetSettingInteger(SettingKeys::RunTimes, FRunTimes + 1);
}

QString TKrSettings::GetSettingString(const QString& strName) const {
    const TKrEngine* engine = GlobalEngine();
    if (engine != nullptr && engine->SettingOverwrite().Contains(strName)) {
        return engine->SettingOverwrite().Value(strName);
    }
    for (const TKrIniFile* ini : {&FSettingIni, &FOemValueIni, &FConstValueIni}) {
        if (ini->ValueExists(SettingKeys::Section, strName)) {
            return ini->ReadString(SettingKeys::Section, strName);
        }
    }
    if (engine != nullptr && engine->SettingDefault().Contains(strName)) {
        return engine->SettingDefault().Value(strName);
    }
    TKrLog::Write(QStringLiteral("Setting Not Found :") + strName, kLogTag);
    return QString();
}

int TKrSettings::GetSettingInteger(const QString& strName) const {
    return KrUtils::StrToIntDefault(GetSettingString(strName), 0);
}

double TKrSettings::GetSettingFloat(const QString& strName) const {
    const QString strValue = GetSettingString(strName).trimmed();
    bool bOk = false;
    double value = QLocale::system().toDouble(strValue, &bOk);
    if (!bOk) {
        value = QLocale::c().toDouble(strValue, &bOk);
    }
    return bOk ? value : 0.0;
}

bool TKrSettings::GetSettingBool(const QString& strName) const {
    return GetSettingInteger(strName) != 0;
}

void TKrSettings::SetSettingstring(const QString& strName, const QString& strValue) {
    WriteUserValue(SettingKeys::Section, strName, strValue);
}

void TKrSettings::SetSettingInteger(const QString& strName, int iValue) {
    WriteUserValue(SettingKeys::Section, strName, QString::number(iValue));
}

void TKrSettings::SetSettingFloat(const QString& strName, double fValue) {
    // Written with "." whatever the locale, so that a file stays readable after a locale change;
    // reading accepts the user's separator too.
    WriteUserValue(SettingKeys::Section, strName, QString::number(fValue, 'g', 15));
}

void TKrSettings::SetSettingBool(const QString& strName, bool bValue) {
    WriteUserValue(SettingKeys::Section, strName,
                   bValue ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TKrSettings::GetMessageShowAgainFlag(int iNumber) const {
    return KrUtils::StrToIntDefault(
               FSettingIni.ReadString(SettingKeys::ShowAgainSection, QString::number(iNumber),
                                      QStringLiteral("1")),
               0) != 0;
}

void TKrSettings::SetMessageShowAgainFlag(int iNumber, bool bValue) {
    WriteUserValue(SettingKeys::ShowAgainSection, QString::number(iNumber),
                   bValue ? QStringLiteral("1") : QStringLiteral("0"));
}

int TKrSettings::GetMessageShowAgainResult(int iNumber) const {
    return KrUtils::StrToIntDefault(
        FSettingIni.ReadString(SettingKeys::ShowAgainResultSection, QString::number(iNumber),
                               QStringLiteral("1")),
        0);
}

void TKrSettings::SetMessageShowAgainResult(int iNumber, int iValue) {
    WriteUserValue(SettingKeys::ShowAgainResultSection, QString::number(iNumber),
                   QString::number(iValue));
}

void TKrSettings::ClearShowAgainFlag() {
    FSettingIni.EraseSection(SettingKeys::ShowAgainSection);
    FSettingIni.EraseSection(SettingKeys::ShowAgainResultSection);
    UpdateSettingINI();
}

void TKrSettings::WriteUserValue(const QString& strSection, const QString& strName,
                                 const QString& strValue) {
    FSettingIni.WriteString(strSection, strName, strValue);
    UpdateSettingINI();
}

bool TKrSettings::UpdateSettingINI() {
    if (FSettingIni.SaveToFile(SettingFilePath())) {
        return true;
    }
    TKrLog::Write(QStringLiteral("Cannot write ") + SettingFilePath() +
                      QStringLiteral("; the values are kept in memory"),
                  kLogTag);
    return false;
}

int TKrSettings::GetRunDays() const {
    const QDateTime now = QDateTime::currentDateTime();
    qint64 days = 0;
    for (const QString& strFolder :
         {KrUtils::ProgramFolderNoSlash(), FUserDataPathCurrentUser, FUserDataPathAllUsers}) {
        QDateTime created;
        if (KrUtils::GetFileCreationTime(strFolder, created)) {
            days = qMax(days, created.secsTo(now) / 86400);
        }
    }
    return int(days);
}

void TKrSettings::SetAllUser(bool bAllUser) {
    FAllUser = bAllUser;
    const QString strFolder = bAllUser ? FUserDataPathAllUsers : FUserDataPathCurrentUser;
    if (!MakeFolder(strFolder)) {
        TKrLog::Write(QStringLiteral("Cannot create ") + strFolder, kLogTag);
    }
    FUserDataPath = KrUtils::WithTrailingSlash(KrUtils::LongPathName(strFolder));
    FSettingIni.Clear();
    if (!QFileInfo::exists(SettingFilePath())) {
        KrUtils::WriteTextFile(QStringLiteral(" "), SettingFilePath());
    }
    FSettingIni.LoadFromFile(SettingFilePath());
}

QString TKrSettings::UserFlagFile() const {
    return FUserDataPathCurrentUser + kUserFlagFile;
}

bool TKrSettings::IsAllUserFlagExists() const {
    MakeFolder(FUserDataPathCurrentUser);
    TKrIniFile flags;
    flags.LoadFromFile(UserFlagFile());
    return flags.ValueExists(kFlagSection, kAllUsersKey);
}

bool TKrSettings::GetAllUserFlag() const {
    MakeFolder(FUserDataPathCurrentUser);
    TKrIniFile flags;
    flags.LoadFromFile(UserFlagFile());
    return KrUtils::StrToIntDefault(flags.ReadString(kFlagSection, kAllUsersKey), 0) != 0;
}

void TKrSettings::SetAllUserFlag(bool bValue) {
    MakeFolder(FUserDataPathCurrentUser);
    TKrIniFile flags;
    flags.LoadFromFile(UserFlagFile());
    flags.WriteString(kFlagSection, kAllUsersKey,
                      bValue ? QStringLiteral("1") : QStringLiteral("0"));
    if (!flags.SaveToFile(UserFlagFile())) {
        TKrLog::Write(QStringLiteral("Cannot write ") + UserFlagFile(), kLogTag);
    }
}

bool TKrSettings::IsAllUserPathWriteable() const {
    return MakeFolder(FUserDataPathAllUsers) && QFileInfo(FUserDataPathAllUsers).isDir() &&
           KrUtils::HasAccess(W_OK, FUserDataPathAllUsers);
}

TKrSettings* GlobalSettings() {
    if (!g_Settings) {
        g_Settings = std::make_unique<TKrSettings>();
    }
    return g_Settings.get();
}

TKrSettings* CreateGlobalSettings(const QString& strProgramFolder) {
    g_Settings.reset();
    g_Settings = std::make_unique<TKrSettings>(QString(), strProgramFolder);
    return g_Settings.get();
}

void FreeGlobalSettings() {
    g_Settings.reset();
}
