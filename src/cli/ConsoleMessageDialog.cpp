#include "cli/ConsoleMessageDialog.h"

#include <QTextStream>

int TConsoleMessageDialog::Execute(const QString& strText, const QString& strCaption, int,
                                   int iButtons, bool, bool& bShowAgainTicked) {
    QTextStream(stderr) << strCaption << ": " << strText << Qt::endl;
    bShowAgainTicked = false;
    // Buttons in the order of their bits, with the answer each gives.
    static constexpr std::pair<int, int> kAnswers[] = {
        {KrDlg::KYes, KrDlg::KResultYes},      {KrDlg::KNo, KrDlg::KResultNo},
        {KrDlg::KOk, KrDlg::KResultOk},        {KrDlg::KCancel, KrDlg::KResultCancel},
        {KrDlg::KAbort, KrDlg::KResultAbort},  {KrDlg::KRetry, KrDlg::KResultRetry},
        {KrDlg::KIgnore, KrDlg::KResultIgnore}};
    for (const auto& [button, answer] : kAnswers) {
        if (iButtons & button) {
            return answer;
        }
    }
    return KrDlg::KResultOk;
}
