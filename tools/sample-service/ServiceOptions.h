#pragma once

#include <QString>
#include <QStringList>

// What the command line chose for one run of the service.
struct TServiceOptions {
    quint16 Port = 0;
    // The update answer's magic word and the version it announces.
    QString MagicWord;
    QString LatestVersion;
    // "key=value" settings every update answer asks the program to store.
    QStringList Modifications;
};
