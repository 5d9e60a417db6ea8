#pragma once

#include <QString>
#include <QStringList>

#include "cli/ConsoleMessageDialog.h"
#include "framework/KrEngine.h"
#include "framework/KrMultiLang.h"

class QCommandLineParser;

// The command-line program: the same settings, language tables, service configuration and
// download queue as the desktop program, driven by one command per run. Exit status 0 on
// success; otherwise a one-line reason on standard error and 1 (2 for a wrong command line).
class TCliApplication {
public:
    TCliApplication();
    int Run(const QStringList& arguments);

private:
    int RunSearch(const QStringList& arguments);
    int RunGet(const QStringList& arguments);
    int RunList(const QStringList& arguments);
    int RunResume(const QStringList& arguments);

    // Parses a command's arguments; false when the run ends here (help shown or a usage error,
    // with iExitCode set).
    bool Parse(QCommandLineParser& parser, const QStringList& arguments, const QString& strHelp,
               int& iExitCode) const;
    bool ReadNumber(const QCommandLineParser& parser, const QString& strOption, int& iValue,
                    int& iExitCode) const;
    // The queue may change only while no desktop program holds it.
    bool TakeQueue() const;
    QString Text(const QString& strName, const QStringList& args = {}) const;
    int Fail(const QString& strName, const QStringList& args = {}, int iExitCode = 1) const;

    QString FProgramName;
    TKrMultiLangData FLanguageData;
    TConsoleMessageDialog FDialog;
    TKrEngine FEngine;
};
