#pragma once

#include <QByteArray>
#include <QString>

// The signature a stream address must carry. It is derived from a secret drawn at start, so an
// address stays valid for one run of the service only, and it holds a "/" so that clients must
// URL-decode it where the pages send it encoded.
class TStreamToken {
public:
    TStreamToken();

    QString ForVideo(const QString& strVideoId) const;
    bool Accepts(const QString& strVideoId, const QString& strToken) const;

private:
    QByteArray FSecret;
};
