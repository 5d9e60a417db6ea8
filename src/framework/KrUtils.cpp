#include "framework/KrUtils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "framework/KrIniFile.h"
#include "framework/KrTextFile.h"

namespace KrUtils {

namespace {

bool IsFormSafe(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '$' ||
           c == '!' || c == '\'' || c == '(' || c == ')' || c == '*' || c == '-' || c == '.' ||
           c == '@' || c == '_';
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

QString EnvFolder(const char* name) {
    return qEnvironmentVariable(name);
}

}  // namespace

// ---- Text ----------------------------------------------------------------------------------

qint64 StrToInt64Default(const QString& strText, qint64 iDefault) {
    QStringView text = QStringView(strText).trimmed();
    bool bNegative = false;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        bNegative = text[0] == u'-';
        text = text.sliced(1);
    }
    int base = 10;
    if (text.startsWith(u'$')) {
        base = 16;
        text = text.sliced(1);
    } else if (text.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        text = text.sliced(2);
    }
    if (text.isEmpty()) {
        return iDefault;
    }
    bool bOk = false;
    const qulonglong magnitude = text.toULongLong(&bOk, base);
    // toULongLong would also take its own sign or prefix; digits only here.
    if (!bOk || text[0] == u'+' || text[0] == u'-' ||
        magnitude > qulonglong(std::numeric_limits<qint64>::max()) + (bNegative ? 1 : 0)) {
        return iDefault;
    }
    return bNegative ? qint64(0 - magnitude) : qint64(magnitude);
}

int StrToIntDefault(const QString& strText, int iDefault) {
    constexpr qint64 kNone = std::numeric_limits<qint64>::min();
    const qint64 value = StrToInt64Default(strText, kNone);
    if (value == kNone || value < std::numeric_limits<int>::min() ||
        value > std::numeric_limits<int>::max()) {
        return iDefault;
    }
    return int(value);
}

bool HasPrefix(const QString& strText, const QString& strPrefix) {
    return strText.startsWith(strPrefix, Qt::CaseInsensitive);
}

QString FillPlaceholders(const QString& strText, const QStringList& args) {
    QString result = strText;
    for (qsizetype i = 0; i < args.size(); ++i) {
        result.replace(u'{' + QString::number(i + 1) + u'}', args[i]);
    }
    return result;
}

void SplitString(const QString& strText, QChar delimiter, QStringList& list) {
    if (strText.isEmpty()) {
        return;
    }
    list.append(strText.split(delimiter));
}

void ParseLinkParams(const QString& strText, TNameValueList& list, bool bDecode) {
    QString strRest = strText;
    const qsizetype question = strRest.indexOf(u'?');
    if (question >= 0) {
        strRest.remove(0, question + 1);
        const qsizetype colon = strRest.indexOf(u':');
        if (colon >= 0) {
            strRest.remove(0, colon + 1);
        }
    }
    QStringList pieces;
    SplitString(strRest, u'&', pieces);
    for (const QString& piece : pieces) {
        if (!bDecode) {
            list.Append(piece);
            continue;
        }
        const qsizetype eq = piece.indexOf(u'=');
        const QString strName = eq < 0 ? piece : piece.first(eq);
        QString strValue;
        if (!FormDecode(eq < 0 ? QString() : piece.sliced(eq + 1), strValue)) {
            continue;
        }
        list.SetValue(strName, strValue);
    }
}

QString CharsToHex(const QString& strText) {
    QString result;
    result.reserve(strText.size() * 2);
    for (const QChar c : strText) {
        result += QStringLiteral("%1").arg(c.unicode() & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    }
    return result;
}

quint32 VersionToInt(const QString& strVersion) {
    const qsizetype space = strVersion.indexOf(u' ');
    const QStringList parts = (space < 0 ? strVersion : strVersion.first(space)).split(u'.');
    if (parts.size() != 4) {
        return 0;
    }
    quint32 result = 0;
    for (const QString& part : parts) {
        result = (result << 8) | (quint32(StrToIntDefault(part, 0)) & 0xFF);
    }
    return result;
}

QString AddURLQuery(const QString& strURL, const QString& strQuery) {
    if (strURL.isEmpty()) {
        return strQuery;
    }
    if (!strURL.contains(u'?')) {
        return strURL + u'?' + strQuery;
    }
    if (strURL.endsWith(u'&') || strURL.endsWith(u'?')) {
        return strURL + strQuery;
    }
    return strURL + u'&' + strQuery;
}

QString CleanFileName(const QString& strText) {
    QString result = strText.trimmed();
    static const QString kRemoved = QStringLiteral("\\:/\"'|?*><\r\n");
    result.removeIf([](QChar c) { return kRemoved.contains(c); });
    return result;
}

QString FormEncode(const QString& strText) {
    static const char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = strText.toUtf8();
    QString result;
    result.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        if (IsFormSafe(c)) {
            result += QLatin1Char(c);
        } else if (c == ' ') {
            result += u'+';
        } else {
            const auto b = static_cast<unsigned char>(c);
            result += u'%';
            result += QLatin1Char(kHex[b >> 4]);
            result += QLatin1Char(kHex[b & 0xF]);
        }
    }
    return result;
}

bool FormDecode(const QString& strText, QString& strResult) {
    QByteArray bytes;
    bytes.reserve(strText.size());
    for (qsizetype i = 0; i < strText.size(); ++i) {
        const QChar c = strText[i];
        if (c == u'+') {
            bytes += ' ';
        } else if (c != u'%') {
            bytes += QString(c).toUtf8();
        } else if (i + 1 < strText.size() && strText[i + 1] == u'%') {
            bytes += '%';
            ++i;
        } else {
            const int hi = i + 1 < strText.size() ? HexDigit(strText[i + 1].unicode()) : -1;
            const int lo = i + 2 < strText.size() ? HexDigit(strText[i + 2].unicode()) : -1;
            if (hi < 0 || lo < 0) {
                return false;
            }
            bytes += char(hi * 16 + lo);
            i += 2;
        }
    }
    strResult = KrTextFile::DecodeSystemText(bytes);
    return true;
}

// ---- Paths and files -----------------------------------------------------------------------

QString ProgramFileName() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ProgramFolder() {
    return WithTrailingSlash(QFileInfo(ProgramFileName()).path());
}

QString ProgramFolderNoSlash() {
    const QString strFolder = ProgramFolder();
    return strFolder.first(strFolder.size() - 1);
}

QString TempFolder() {
    return WithTrailingSlash(QDir::tempPath());
}

QString LongPathName(const QString& strPath) {
    const QString strCanonical = QFileInfo(strPath).canonicalFilePath();
    if (strCanonical.isEmpty()) {
        return strPath;
    }
    return strPath.endsWith(u'/') ? WithTrailingSlash(strCanonical) : strCanonical;
}

QString BackslashToSlash(const QString& strPath) {
    QString result = strPath;
    return result.replace(u'\\', u'/');
}

QString WithTrailingSlash(const QString& strPath) {
    const QString result = BackslashToSlash(strPath);
    if (result.isEmpty() || result.endsWith(u'/')) {
        return result;
    }
    return result + u'/';
}

QString JoinPath(const QString& strBase, const QString& strPath) {
    const QString strRelative = BackslashToSlash(strPath);
    if (strRelative.startsWith(u'/') || strBase.isEmpty()) {
        return strRelative;
    }
    return WithTrailingSlash(strBase) + strRelative;
}

QString FileNameWithoutExt(const QString& strPath) {
    const QString strName = QFileInfo(BackslashToSlash(strPath)).fileName();
    const qsizetype dot = strName.lastIndexOf(u'.');
    return dot < 0 ? strName : strName.first(dot);
}

void ListFiles(const QString& strMask, QStringList& list, bool bWithFolder) {
    const QFileInfo mask(BackslashToSlash(strMask));
    const QDir folder(mask.path());
    const QStringList names =
        folder.entryList({mask.fileName()}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& strName : names) {
        list.append(bWithFolder ? WithTrailingSlash(mask.path()) + strName : strName);
    }
}

QString UniqueFileName(const QString& strFolder, const QString& strPrefix, const QString& strExt) {
    static QMutex lock;
    static QSet<QString> given;
    QMutexLocker locker(&lock);
    for (;;) {
        const quint32 number = QRandomGenerator::global()->bounded(0xFFFFFu);
        const QString strPath =
            JoinPath(strFolder, strPrefix + QString::number(number, 16).toUpper() + u'.' + strExt);
        if (!given.contains(strPath) && !QFileInfo::exists(strPath)) {
            given.insert(strPath);
            return strPath;
        }
    }
}

bool DeleteFolderContents(const QString& strFolder, bool bRecursive) {
    QDir folder(strFolder);
    const QFileInfoList entries =
        folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            if (bRecursive) {
                DeleteFolderContents(entry.filePath(), true);
                folder.rmdir(entry.fileName());
            }
        } else {
            QFile::remove(entry.filePath());
        }
    }
    return true;
}

void WriteTextFile(const QString& strText, const QString& strPath) {
    QFile file(strPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(strText.toUtf8());
    }
}

bool GetFileCreationTime(const QString& strPath, QDateTime& time) {
    struct statx info {};
    const QByteArray path = QFile::encodeName(strPath);
    if (statx(AT_FDCWD, path.constData(), 0, STATX_BTIME | STATX_CTIME, &info) != 0) {
        return false;
    }
    const statx_timestamp& stamp = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime;
    time = QDateTime::fromMSecsSinceEpoch(stamp.tv_sec * 1000 + stamp.tv_nsec / 1000000);
    return true;
}

bool HasAccess(int iAccessMode, const QString& strPath) {
    const QByteArray path = QFile::encodeName(strPath);
    return faccessat(AT_FDCWD, path.constData(), iAccessMode, AT_EACCESS) == 0;
}

// ---- System services -----------------------------------------------------------------------

QString UserDataHome() {
    QString strBase = EnvFolder("HALVEX_USER_DATA_HOME");
    if (strBase.isEmpty()) {
        strBase = EnvFolder("XDG_DATA_HOME");
    }
    if (strBase.isEmpty()) {
        strBase = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return WithTrailingSlash(strBase);
}

QString CommonDataHome() {
    const QString strBase = EnvFolder("HALVEX_COMMON_DATA_HOME");
    return WithTrailingSlash(strBase.isEmpty() ? QStringLiteral("/var/lib") : strBase);
}

QString RuntimeFolder() {
    const QString strRuntime = EnvFolder("XDG_RUNTIME_DIR");
    return strRuntime.isEmpty() || !QFileInfo(strRuntime).isDir() ? TempFolder()
                                                                  : WithTrailingSlash(strRuntime);
}

QString RegReadString(const QString& strKey, const QString& strValueName,
                      const QString& strDefault) {
    QString strFile = EnvFolder("HALVEX_REGISTRY_FILE");
    if (strFile.isEmpty()) {
        strFile = QStringLiteral("/etc/halvex/registry.ini");
    }
    TKrIniFile registry;
    registry.LoadFromFile(strFile);
    return registry.ReadString(strKey, strValueName, strDefault);
}

bool OpenURL(const QString& strURL) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {strURL});
}

bool ShellOpenInProgramFolder(const QString& strRelativePath, const QString& strParams) {
    const QString strPath = JoinPath(ProgramFolder(), strRelativePath);
    const QFileInfo info(strPath);
    if (info.isFile() && info.isExecutable()) {
        return QProcess::startDetached(strPath, QProcess::splitCommand(strParams), info.path());
    }
    return QProcess::startDetached(QStringLiteral("xdg-open"), {strPath}, info.path());
}

bool CreateInstanceLock(const QString& strName) {
    QString strFileName = strName;
    strFileName.replace(u'/', u'_').replace(u'\\', u'_');
    const QByteArray path = QFile::encodeName(RuntimeFolder() + strFileName + u".lock");
    const int fd = open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return true;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool bHeld = errno == EWOULDBLOCK;
        close(fd);
        return !bHeld;
    }
    return true;  // the descriptor stays open: the kernel releases the lock when the process ends
}

QRect FitRect(const QRect& content, const QRect& target) {
    if (target.width() == 0 || target.height() == 0) {
        return QRect(target.topLeft(), target.size());
    }
    if (content.width() == 0 || content.height() == 0) {
        return QRect(target.topLeft(), content.size());
    }
    const qint64 cw = content.width(), ch = content.height();
    const qint64 tw = target.width(), th = target.height();
    qint64 w, h;
    if (ch * tw < cw * th) {
        w = tw;
        h = tw * ch / cw;
    } else {
        h = th;
        w = th * cw / ch;
    }
    return QRect(int(target.left() + (tw - w) / 2), int(target.top() + (th - h) / 2), int(w),
                 int(h));
}

}  // namespace KrUtils
