#pragma once

#include <QByteArray>
#include <QString>

// How the bytes of a text answer are decoded. The answer's own charset declaration is not
// consulted and no byte-order mark is removed.
enum class THttpCharset : int {
    // The system's 8-bit text, which is UTF-8 here (ISO-8859-1 where it is not valid UTF-8).
    KAnsi = 0,
    // UTF-16 little-endian; an odd last byte is dropped.
    KUnicode = 1,
    KUTF8 = 2,
};

QString DecodeHttpText(const QByteArray& bytes, THttpCharset charset);
