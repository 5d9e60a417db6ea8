#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "TestSupport.h"
#include "framework/KrEngine.h"
#include "framework/KrMultiLang.h"

// A message dialog that answers from a script and records what it was asked.
class TScriptedMessageDialog : public IKrMessageDialog {
public:
    struct TShown {
        QString Text;
        QString Caption;
        int DlgType = 0;
        int Buttons = 0;
        bool ShowAgainBox = false;
    };

    // Answers queued in order; when the queue is empty the answer is DefaultAnswer.
    QList<int> Answers;
    QList<bool> TickShowAgain;
    int DefaultAnswer = KrDlg::KResultOk;
    QList<TShown> Shown;

    int Execute(const QString& strText, const QString& strCaption, int iDlgType, int iButtons,
                bool bShowAgainBox, bool& bShowAgainTicked) override;
};

// What a subsystem test needs of the framework: a sandbox whose program folder holds the given
// const.dat, the global settings store read from it, and an engine with the built-in English
// table and a scripted message dialog. Destroying it frees the store.
class TTestFramework {
public:
    explicit TTestFramework(const QString& strConstDat = QString());
    ~TTestFramework();

    TTestSandbox Sandbox;
    TKrMultiLangData LanguageData;
    TKrEngine Engine;
    TScriptedMessageDialog Dialog;
};
