#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include "cli/CliApplication.h"
#include "framework/KrSettings.h"
#include "net/TransferThread.h"

namespace {

// A transfer's worker ends on its own just after its last report. Let the workers finish before
// the process goes, so that nothing is torn down under a thread still closing its connection.
void WaitForWorkers() {
    const QDeadlineTimer deadline(10000);
    while (TTransferThread::LiveCount() > 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(5);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int iExitCode = 0;
    {
        TCliApplication cli;
        iExitCode = cli.Run(QCoreApplication::arguments());
    }
    WaitForWorkers();
    FreeGlobalSettings();
    return iExitCode;
}
