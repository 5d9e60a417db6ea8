#include <QCoreApplication>

#include "cli/CliApplication.h"
#include "framework/KrSettings.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int iExitCode = 0;
    {
        TCliApplication cli;
        iExitCode = cli.Run(QCoreApplication::arguments());
    }
    FreeGlobalSettings();
    return iExitCode;
}
