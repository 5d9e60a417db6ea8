#pragma once

#include <QList>
#include <QString>

#include "search/UrlInfo.h"

// One keyword search against the service, waited for: the songs of one result page.
class TSongSearch {
public:
    struct TSong {
        QString Id;
        QString Title;
        QString Duration;  // as the service shows it
        int Long = 0;      // seconds
        QString Popularity;
    };

    // False when the service could not be asked or did not answer.
    bool Run(const QString& strKeyword, int iPage);
    const QList<TSong>& Songs() const { return FSongs; }
    // The parser's complaint when the answer could not be read completely.
    QString ParseError() const { return FParseError; }
    // A download request for song iIndex (from 0) of the result, as a page link would make it.
    TUrlInfo Request(int iIndex) const;

private:
    QString FKeyword;
    int FPage = 1;
    QList<TSong> FSongs;
    QString FParseError;
};
