#include "cli/ConsoleDownloadView.h"

#include <unistd.h>

#include "framework/NameValueList.h"
#include "net/DownloadList.h"
#include "net/MultiDownloader.h"
#include "pipeline/PipelineKeys.h"

namespace {

constexpr int kBarWidth = 30;

QString ByteRate(double bytesPerSecond) {
    static const char* const kUnits[] = {"B/s", "KiB/s", "MiB/s", "GiB/s"};
    int unit = 0;
    while (bytesPerSecond >= 1024.0 && unit < 3) {
        bytesPerSecond /= 1024.0;
        ++unit;
    }
    return QString::number(bytesPerSecond, 'f', unit == 0 ? 0 : 1) + u' ' +
           QLatin1String(kUnits[unit]);
}

}  // namespace

TConsoleDownloadView::TConsoleDownloadView(TMultiDownloader* downloader, QObject* parent)
    : QObject(parent), FDownloader(downloader), FOut(stdout), FInteractive(isatty(STDOUT_FILENO)) {
    connect(downloader, &TMultiDownloader::OnProgress, this,
            [this](TDownloadList*, int iIndex, qint64 iTotal, qint64 iReaded) {
                HandleProgress(iIndex, iTotal, iReaded);
            });
}

int TConsoleDownloadView::RowCount() const {
    return FDownloader->DownloadList()->ItemCount();
}

QString TConsoleDownloadView::RowTitle(int iIndex) const {
    const TDownloadItem* item = FDownloader->DownloadList()->Items(iIndex);
    return item == nullptr ? QString() : TNameValueList(item->Comment()).Value(CommentKeys::Title);
}

void TConsoleDownloadView::SetRowStatus(int iRow, const QString& strStatus) {
    // Percentages come with the progress; a state's text is worth a line of its own.
    if (strStatus.isEmpty() || strStatus.endsWith(u'%')) {
        return;
    }
    EndLine();
    FOut << RowTitle(iRow) << ": " << strStatus << Qt::endl;
}

void TConsoleDownloadView::HandleProgress(int iIndex, qint64 iTotal, qint64 iReaded) {
    TRowProgress& progress = FProgress[iIndex];
    if (!progress.Clock.isValid() || iReaded < progress.Readed) {
        progress = TRowProgress();
        progress.Clock.start();
    }
    progress.Total = iTotal;
    progress.Readed = iReaded;
    const int percent = iTotal > 0 ? int(iReaded * 100 / iTotal) : 0;
    const int step = FInteractive ? percent : percent / 10;
    if (step != progress.LastPrintedStep) {
        progress.LastPrintedStep = step;
        PrintBar(iIndex, progress);
    }
}

void TConsoleDownloadView::PrintBar(int iIndex, const TRowProgress& progress) {
    const int percent = progress.Total > 0 ? int(progress.Readed * 100 / progress.Total) : 0;
    const int filled = percent * kBarWidth / 100;
    const double seconds = qMax<qint64>(progress.Clock.elapsed(), 1) / 1000.0;
    const QString strLine = u'[' + QString(filled, u'#') + QString(kBarWidth - filled, u'.') +
                            QStringLiteral("] %1% ").arg(percent, 3) +
                            ByteRate(double(progress.Readed) / seconds).rightJustified(11) +
                            QStringLiteral("  ") + RowTitle(iIndex);
    if (FInteractive) {
        FOut << '\r' << strLine << "\x1b[K";
        FOut.flush();
        FLineOpen = true;
    } else {
        FOut << strLine << Qt::endl;
    }
}

void TConsoleDownloadView::EndLine() {
    if (FLineOpen) {
        FOut << Qt::endl;
        FLineOpen = false;
    }
}
