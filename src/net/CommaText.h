#pragma once

#include <QString>
#include <QStringList>

// The one-line form of a list of lines kept in the task list file: lines joined by ",", a line
// holding a space, a control character, a comma or a double quote enclosed in double quotes
// with inner quotes doubled.
namespace CommaText {

QString Join(const QStringList& lines);
// The inverse of Join; also splits at unquoted spaces and control characters.
QStringList Split(const QString& strText);

}  // namespace CommaText
