#include "StreamToken.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

TStreamToken::TStreamToken() {
    FSecret.resize(32);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(FSecret.data()),
                                          FSecret.size() / sizeof(quint32));
}

QString TStreamToken::ForVideo(const QString& strVideoId) const {
    const QByteArray hex =
        QMessageAuthenticationCode::hash(strVideoId.toUtf8(), FSecret, QCryptographicHash::Sha256)
            .toHex();
    return QString::fromLatin1(hex.left(12) + '/' + hex.mid(12, 12));
}

bool TStreamToken::Accepts(const QString& strVideoId, const QString& strToken) const {
    return !strToken.isEmpty() && strToken == ForVideo(strVideoId);
}
