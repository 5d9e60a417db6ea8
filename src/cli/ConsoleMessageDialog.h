#pragma once

#include "framework/KrEngine.h"

// The command-line program's message box: prints the text to standard error and answers with
// the box's first offered button, since nobody is there to ask.
class TConsoleMessageDialog : public IKrMessageDialog {
public:
    int Execute(const QString& strText, const QString& strCaption, int iDlgType, int iButtons,
                bool bShowAgainBox, bool& bShowAgainTicked) override;
};
