#pragma once

#include <QDateTime>
#include <QRect>
#include <QString>
#include <QStringList>

#include "framework/NameValueList.h"

// Small stateless helpers shared by the framework and the application.
namespace KrUtils {

// ---- Text ----------------------------------------------------------------------------------

// Decimal with an optional sign, or hexadecimal after "$" or "0x"; strDefault when it does not
// parse or does not fit.
int StrToIntDefault(const QString& strText, int iDefault);
qint64 StrToInt64Default(const QString& strText, qint64 iDefault);
bool HasPrefix(const QString& strText, const QString& strPrefix);
// "{1}" becomes args[0], "{2}" args[1], ...; other braces stay.
QString FillPlaceholders(const QString& strText, const QStringList& args);
// Appends the pieces between delimiters; the last piece always, even when empty; an empty text
// appends nothing.
void SplitString(const QString& strText, QChar delimiter, QStringList& list);
// Parameters of a link after its "?" (then after its ":"). Without decode the raw "name=value"
// pieces are appended; with decode each value is form-decoded and stored under its name.
void ParseLinkParams(const QString& strText, TNameValueList& list, bool bDecode);
QString CharsToHex(const QString& strText);
quint32 VersionToInt(const QString& strVersion);
QString AddURLQuery(const QString& strURL, const QString& strQuery);
QString CleanFileName(const QString& strText);

// Form encoding of the UTF-8 bytes: letters, digits and $ ! ' ( ) * - . @ _ stay, a space becomes
// "+", every other byte "%XX".
QString FormEncode(const QString& strText);
// The inverse; "%%" gives "%". False when an escape is malformed.
bool FormDecode(const QString& strText, QString& strResult);

// ---- Paths and files -----------------------------------------------------------------------

QString ProgramFileName();
// The executable's folder, symbolic links resolved, with a trailing "/".
QString ProgramFolder();
QString ProgramFolderNoSlash();
QString TempFolder();
// The canonical form of an existing path (links resolved); the path itself otherwise.
QString LongPathName(const QString& strPath);
// Configuration and language texts may use "\" as separator; it becomes "/".
QString BackslashToSlash(const QString& strPath);
QString WithTrailingSlash(const QString& strPath);
// A path starting with "/" is returned as it is; any other is joined to the base with one "/".
QString JoinPath(const QString& strBase, const QString& strPath);
QString FileNameWithoutExt(const QString& strPath);
// Appends the files (not folders) matching the mask "folder/pattern", sorted by name.
void ListFiles(const QString& strMask, QStringList& list, bool bWithFolder);
// A path folder/prefix<random hex>.ext that names nothing on disk and that no other caller in
// this process has been given. Safe from any thread.
QString UniqueFileName(const QString& strFolder, const QString& strPrefix, const QString& strExt);
bool DeleteFolderContents(const QString& strFolder, bool bRecursive);
void WriteTextFile(const QString& strText, const QString& strPath);
// Birth time where the file system records it, else the last status change.
bool GetFileCreationTime(const QString& strPath, QDateTime& time);
// Whether the process's effective ids are granted the access (R_OK, W_OK, X_OK) to the path.
bool HasAccess(int iAccessMode, const QString& strPath);

// ---- System services -----------------------------------------------------------------------

// Base folders of per-user and machine-wide application data. HALVEX_USER_DATA_HOME and
// HALVEX_COMMON_DATA_HOME replace them (tests keep everything inside a temporary folder).
QString UserDataHome();
QString CommonDataHome();
// Folder for lock files: $XDG_RUNTIME_DIR, else the temporary folder.
QString RuntimeFolder();
// A read-only text value of the machine configuration that stands in for a registry: the INI
// file $HALVEX_REGISTRY_FILE (default /etc/halvex/registry.ini), section = key path.
QString RegReadString(const QString& strKey, const QString& strValueName,
                      const QString& strDefault);
// Opens the address in the desktop's default program (xdg-open), detached; whether it started.
bool OpenURL(const QString& strURL);
bool ShellOpenInProgramFolder(const QString& strRelativePath, const QString& strParams);
// An exclusive lock on a file named after strName in the runtime folder, held until the process
// ends. False when another process (or an earlier call) holds it; true when it could not be
// created at all, so that a broken runtime folder never keeps the program from starting.
bool CreateInstanceLock(const QString& strName);
QRect FitRect(const QRect& content, const QRect& target);

}  // namespace KrUtils
