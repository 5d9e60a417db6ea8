#pragma once

#include <QByteArray>
#include <QString>

// Text files as the system reads and writes them: a byte-order mark selects UTF-8 or UTF-16 and
// is kept on rewrite; a file without one is UTF-8. Lines that are not valid UTF-8 (a legacy
// 8-bit file, or a file mixing both) are read as ISO-8859-1, so every character survives.
enum class ETextEncoding { KUtf8, KUtf8Bom, KUtf16LE, KUtf16BE };

struct TKrText {
    QString Text;
    ETextEncoding Encoding = ETextEncoding::KUtf8;
};

namespace KrTextFile {

TKrText Decode(const QByteArray& bytes);
QByteArray Encode(const QString& strText, ETextEncoding encoding);

// Decodes one piece of "8-bit" text (form values, page answers): UTF-8 when valid, else ISO-8859-1.
QString DecodeSystemText(const QByteArray& bytes);

// Reads a whole file; false (and an empty text) when it cannot be opened.
bool Read(const QString& strPath, TKrText& text);

// Writes atomically: a temporary file beside the target, flushed, then renamed over it. On any
// failure the previous file is left as it was and false is returned.
bool WriteAtomic(const QString& strPath, const QByteArray& bytes);

}  // namespace KrTextFile
