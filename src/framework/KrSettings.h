#pragma once

#include <QString>

#include "framework/KrIniFile.h"

// The one configuration store of the process. Reads search, in order: the engine's override
// list, the user file setting.dat, oem.const.dat, const.dat, the engine's default list. Writes go
// to the user file only and reach the disk at once, atomically. When the user folder cannot be
// written, values stay in memory and reads still see them.
class TKrSettings {
public:
    // strSettingFile names the user file and, with "setting" replaced by "const", the fixed file;
    // empty means setting.dat and const.dat. strProgramFolder defaults to the executable's folder.
    explicit TKrSettings(const QString& strSettingFile = QString(),
                         const QString& strProgramFolder = QString());
    TKrSettings(const TKrSettings&) = delete;
    TKrSettings& operator=(const TKrSettings&) = delete;

    QString GetSettingString(const QString& strName) const;
    int GetSettingInteger(const QString& strName) const;
    double GetSettingFloat(const QString& strName) const;
    bool GetSettingBool(const QString& strName) const;
    void SetSettingstring(const QString& strName, const QString& strValue);
    void SetSettingInteger(const QString& strName, int iValue);
    void SetSettingFloat(const QString& strName, double fValue);
    void SetSettingBool(const QString& strName, bool bValue);

    bool GetMessageShowAgainFlag(int iNumber) const;
    void SetMessageShowAgainFlag(int iNumber, bool bValue);
    int GetMessageShowAgainResult(int iNumber) const;
    void SetMessageShowAgainResult(int iNumber, int iValue);
    void ClearShowAgainFlag();

    // Writes the in-memory user file; false (and a log entry) when the disk refused it.
    bool UpdateSettingINI();
    int GetRunDays() const;

    bool AllUser() const { return FAllUser; }
    // Re-targets the user file to the all-users (true) or per-user folder and loads it.
    void SetAllUser(bool bAllUser);
    QString UserDataPath() const { return FUserDataPath; }
    QString UserDataPathCurrentUser() const { return FUserDataPathCurrentUser; }
    QString UserDataPathAllUsers() const { return FUserDataPathAllUsers; }
    QString ConstDataPath() const { return FConstDataPath; }
    QString ConfigPathWord() const { return FConfigPathWord; }
    int RunTimes() const { return FRunTimes; }

    bool IsAllUserFlagExists() const;
    bool GetAllUserFlag() const;
    void SetAllUserFlag(bool bValue);
    bool IsAllUserPathWriteable() const;

private:
    QString UserFlagFile() const;
    QString SettingFilePath() const { return FUserDataPath + FSettingFilename; }
    void WriteUserValue(const QString& strSection, const QString& strName, const QString& strValue);

    bool FAllUser = false;
    TKrIniFile FConstValueIni;
    TKrIniFile FOemValueIni;
    TKrIniFile FSettingIni;
    QString FConstDataPath;
    QString FUserDataPath;
    QString FUserDataPathCurrentUser;
    QString FUserDataPathAllUsers;
    int FRunTimes = 0;
    QString FConfigPathWord;
    QString FSettingFilename;
};

// The process's store, created on first use.
TKrSettings* GlobalSettings();
// Creates the process's store from another program folder (tests, tools), replacing any.
TKrSettings* CreateGlobalSettings(const QString& strProgramFolder);
void FreeGlobalSettings();
