#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTextStream>

#include "pipeline/DownloadView.h"

class TMultiDownloader;

// Shows the download tasks on the terminal: a progress bar with percent and speed per running
// task, redrawn in place on a terminal and printed in steps of ten percent elsewhere.
class TConsoleDownloadView : public QObject, public IDownloadView {
    Q_OBJECT
public:
    TConsoleDownloadView(TMultiDownloader* downloader, QObject* parent = nullptr);

    int RowCount() const override;
    void SetRowStatus(int iRow, const QString& strStatus) override;
    void SetRowIcon(int, int) override {}
    void SetRowLength(int, const QString&) override {}
    void RefreshList() override {}
    void SetStatusInfo(const QString&) override {}
    void CheckAct() override {}
    void ShowDownloadList() override {}

private:
    struct TRowProgress {
        QElapsedTimer Clock;
        qint64 Total = 0;
        qint64 Readed = 0;
        int LastPrintedStep = -1;
    };

    void HandleProgress(int iIndex, qint64 iTotal, qint64 iReaded);
    void PrintBar(int iIndex, const TRowProgress& progress);
    QString RowTitle(int iIndex) const;
    void EndLine();

    TMultiDownloader* FDownloader;
    QHash<int, TRowProgress> FProgress;
    QTextStream FOut;
    bool FInteractive;
    bool FLineOpen = false;
};
