#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "framework/NameValueList.h"

#include "framework/KrMultiLang.h"

// Loads a skin into the GUI. The engine decides which file and how; the GUI applies it.
class IKrSkinApplier {
public:
    virtual ~IKrSkinApplier() = default;
    // Called once at load, before the first skin is set: remember the look to return to.
    virtual void RememberInitialSkin() = 0;
    // bSkinFrame: a ".skn" skin draws its own frame; a ".nsf.skn" skin keeps the system frame.
    virtual void LoadSkinFile(const QString& strFileName, bool bSkinFrame) = 0;
    virtual void RestoreInitialSkin() = 0;
    // The skin's table of its own dialog texts, or nullptr when it has none. After a language
    // change the engine adds the SkinRes texts it lacks.
    virtual TNameValueList* SkinTexts() = 0;
};

// The framework's message box. Returns the pressed button's answer (1 OK, 2 Cancel, 3 Abort,
// 4 Retry, 5 Ignore, 6 Yes, 7 No); bShowAgainTicked reports the "do not show again" box.
class IKrMessageDialog {
public:
    virtual ~IKrMessageDialog() = default;
    virtual int Execute(const QString& strText, const QString& strCaption, int iDlgType,
                        int iButtons, bool bShowAgainBox, bool& bShowAgainTicked) = 0;
};

// Message box kinds, buttons (a bit set) and answers.
namespace KrDlg {
enum EDlgType { KWarning = 0, KError = 1, KInformation = 2, KConfirmation = 3 };
enum EButton {
    KYes = 1 << 0,
    KNo = 1 << 1,
    KOk = 1 << 2,
    KCancel = 1 << 3,
    KAbort = 1 << 4,
    KRetry = 1 << 5,
    KIgnore = 1 << 6,
    KAll = 1 << 7,
    KNoToAll = 1 << 8,
    KYesToAll = 1 << 9,
    KHelp = 1 << 10,
    KClose = 1 << 11
};
enum EResult {
    KResultOk = 1,
    KResultCancel = 2,
    KResultAbort = 3,
    KResultRetry = 4,
    KResultIgnore = 5,
    KResultYes = 6,
    KResultNo = 7
};
}  // namespace KrDlg

// The framework engine, owned by the main window: frames the settings lookup, chooses skin and
// language, builds the maker's web addresses, shows message boxes with their show-again memory
// and computes the title. The first engine created is GlobalEngine().
class TKrEngine : public QObject {
    Q_OBJECT
public:
    explicit TKrEngine(QObject* owner = nullptr);
    ~TKrEngine() override;

    // ---- settings layers
    const TNameValueList& SettingOverwrite() const { return FSettingOverwrite; }
    void SetSettingOverwrite(const TNameValueList& list) { FSettingOverwrite = list; }
    const TNameValueList& SettingDefault() const { return FSettingDefault; }
    void SetSettingDefault(const TNameValueList& list) { FSettingDefault = list; }

    // ---- collaborators (not owned)
    void SetLanguageData(TKrMultiLangData* data) { FLanguageData = data; }
    TKrMultiLangData* LanguageData() const { return FLanguageData; }
    void SetSkinApplier(IKrSkinApplier* applier) { FSkinApplier = applier; }
    void SetMessageDialog(IKrMessageDialog* dialog) { FMessageDlg = dialog; }

    // ---- start-up
    // The load step: applies the saved skin and language, then queues the end of start-up.
    void Load();
    // Busy from creation until the end of start-up has been handled.
    bool Busy() const { return FInInited; }
    bool Debug() const { return FDebug; }
    QString ParamFile() const { return FParamFile; }
    // A command parameter handed over by another instance.
    void ReceiveCmdParam(const QString& strParam);

    // ---- skins and languages
    QString Skin() const { return FSkin; }
    void SetSkin(const QString& strSkin);
    QStringList SkinList();
    QString SkinFolder() const;
    QString Language() const { return FLanguage; }
    void SetLanguage(const QString& strLanguage);
    QStringList LanguageList();
    QString LanguageFolder() const;
    QString LanguageTranslator() const { return FLanguageTranslator; }

    // ---- title
    QString AppName() const;
    QString AppTitle() const { return FAppTitle; }
    bool TitleIncludeVer() const { return FTitleIncludeVer; }
    void SetTitleIncludeVer(bool bInclude);

    // ---- web pages
    QString GetURL(const QString& strPage, bool bAddParams) const;
    QString GetURLParam() const;
    void ShowPage(const QString& strPage) const;
    void ShowPageByURL(const QString& strURL) const;

    // ---- texts and messages
    QString GetAppString(const QString& strName) const;
    QString GetLibString(const QString& strName) const;
    QString GetLibStringEx(const QString& strName, const QStringList& args) const;
    int ShowMessageEx(const QString& strName, const QStringList& args, int iShowAgainNumber,
                      int iDlgType, int iButtons, int iDefaultResult = 0, bool bLib = false);

    // The numeric locale id sent as WLANG: QLocale's territory × 1024 + its language, the same
    // shape as a Windows language id (sub-language above, primary language below).
    static int SystemLanguageId();
    // The kernel release as "major_minor_" followed by an (empty) service-pack text.
    static QString SystemVersionText();

signals:
    void OnEngineReady();  // the end of start-up; the main window loads its menu page on it
    void OnSkinChanged();
    void OnLanguageChanged();
    void OnTitleChange(const QString& strTitle);
    void OnCmdFile(const QString& strFileName);
    void OnBeginAutoUpdate();  // Update.BeginAuto is on; the update checker runs

private:
    void HandleInitPost();
    void ComputeTitle();
    QString ResourceString(const QString& strSection, const QString& strName) const;

    bool FDebug = false;
    TNameValueList FSettingOverwrite;
    TNameValueList FSettingDefault;
    bool FInLoaded = false;
    QString FParamFile;
    bool FInInited = true;
    QString FAppTitle;
    bool FTitleIncludeVer = true;
    QString FSkin;
    QStringList FSkinList;
    QString FLanguage;
    QString FLanguageTranslator;
    QStringList FLanguageList;
    QPointer<TKrMultiLangData> FLanguageData;
    IKrSkinApplier* FSkinApplier = nullptr;
    IKrMessageDialog* FMessageDlg = nullptr;
};

// The first engine created, or nullptr.
TKrEngine* GlobalEngine();
