#include "net/HttpCharset.h"

#include <QStringDecoder>
#include <QtEndian>

#include "framework/KrTextFile.h"

QString DecodeHttpText(const QByteArray& bytes, THttpCharset charset) {
    switch (charset) {
        case THttpCharset::KUnicode: {
            QString strText(bytes.size() / 2, Qt::Uninitialized);
            for (qsizetype i = 0; i < strText.size(); ++i) {
                strText[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + 2 * i));
            }
            return strText;
        }
        case THttpCharset::KUTF8: {
            QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
            return decoder.decode(bytes);
        }
        case THttpCharset::KAnsi:
            break;
    }
    return KrTextFile::DecodeSystemText(bytes);
}
