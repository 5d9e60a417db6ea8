#include "framework/KrTextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);
const QByteArray kUtf16LEBom("\xFF\xFE", 2);
const QByteArray kUtf16BEBom("\xFE\xFF", 2);

QString DecodeUtf16(QByteArrayView bytes, QStringDecoder::Encoding encoding) {
    // A file cut off inside a character loses that character, not a replacement sign.
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes.first(bytes.size() & ~qsizetype(1)));
}

}  // namespace

namespace KrTextFile {

QString DecodeSystemText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    return QString::fromLatin1(bytes);
}

TKrText Decode(const QByteArray& bytes) {
    TKrText result;
    if (bytes.startsWith(kUtf8Bom)) {
        result.Encoding = ETextEncoding::KUtf8Bom;
    } else if (bytes.startsWith(kUtf16LEBom)) {
        result.Encoding = ETextEncoding::KUtf16LE;
        result.Text = DecodeUtf16(QByteArrayView(bytes).sliced(2), QStringDecoder::Utf16LE);
        return result;
    } else if (bytes.startsWith(kUtf16BEBom)) {
        result.Encoding = ETextEncoding::KUtf16BE;
        result.Text = DecodeUtf16(QByteArrayView(bytes).sliced(2), QStringDecoder::Utf16BE);
        return result;
    }
    // Decode line by line so that one legacy line does not spoil its neighbours.
    const qsizetype start = result.Encoding == ETextEncoding::KUtf8Bom ? kUtf8Bom.size() : 0;
    qsizetype pos = start;
    result.Text.reserve(bytes.size() - start);
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        end = end < 0 ? bytes.size() : end + 1;
        result.Text += DecodeSystemText(bytes.mid(pos, end - pos));
        pos = end;
    }
    return result;
}

QByteArray Encode(const QString& strText, ETextEncoding encoding) {
    switch (encoding) {
        case ETextEncoding::KUtf8:
            return strText.toUtf8();
        case ETextEncoding::KUtf8Bom:
            return kUtf8Bom + strText.toUtf8();
        case ETextEncoding::KUtf16LE: {
            QStringEncoder encoder(QStringEncoder::Utf16LE);
            return kUtf16LEBom + QByteArray(encoder.encode(strText));
        }
        case ETextEncoding::KUtf16BE: {
            QStringEncoder encoder(QStringEncoder::Utf16BE);
            return kUtf16BEBom + QByteArray(encoder.encode(strText));
        }
    }
    return strText.toUtf8();
}

bool Read(const QString& strPath, TKrText& text) {
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        text = TKrText();
        return false;
    }
    text = Decode(file.readAll());
    return true;
}

bool WriteAtomic(const QString& strPath, const QByteArray& bytes) {
    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace KrTextFile
