#include "TestFramework.h"

#include "framework/KrSettings.h"

int TScriptedMessageDialog::Execute(const QString& strText, const QString& strCaption, int iDlgType,
                                    int iButtons, bool bShowAgainBox, bool& bShowAgainTicked) {
    Shown.append({strText, strCaption, iDlgType, iButtons, bShowAgainBox});
    bShowAgainTicked = !TickShowAgain.isEmpty() && TickShowAgain.takeFirst();
    return Answers.isEmpty() ? DefaultAnswer : Answers.takeFirst();
}

TTestFramework::TTestFramework(const QString& strConstDat) {
    Sandbox.WriteFile(QStringLiteral("program/const.dat"),
                      strConstDat.isEmpty() ? QStringLiteral("[setting]\n") : strConstDat);
    CreateGlobalSettings(Sandbox.ProgramFolder());
    const QString strBuiltin = BuiltinLanguageText();
    LanguageData.SetDefaultData(strBuiltin);
    LanguageData.SetCurrentData(strBuiltin);
    Engine.SetLanguageData(&LanguageData);
    Engine.SetMessageDialog(&Dialog);
}

TTestFramework::~TTestFramework() {
    FreeGlobalSettings();
}
