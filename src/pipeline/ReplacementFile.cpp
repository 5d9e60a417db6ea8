#include "pipeline/ReplacementFile.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <vector>

namespace {

constexpr size_t KCopyChunk = 1 << 20;

bool WriteAll(int iFd, const char* data, size_t iSize) {
    while (iSize > 0) {
        const ssize_t iWritten = ::write(iFd, data, iSize);
        if (iWritten < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += iWritten;
        iSize -= static_cast<size_t>(iWritten);
    }
    return true;
}

// Errors by which the kernel declines an in-kernel copy between these two files.
bool CopyUnsupported(int iError) {
    return iError == EXDEV || iError == EINVAL || iError == ENOSYS || iError == EOPNOTSUPP;
}

}  // namespace

TReplacementFile::TReplacementFile(const QString& strTarget) {
    const QString strReal = QFileInfo(strTarget).canonicalFilePath();
    FTarget = strReal.isEmpty() ? strTarget : strReal;
    FPath = FTarget + u'~';
}

TReplacementFile::~TReplacementFile() {
    if (FFd >= 0) {
        ::close(FFd);
    }
    if (FCreated) {
        ::unlink(QFile::encodeName(FPath).constData());
    }
}

bool TReplacementFile::Open(mode_t mode, uid_t owner, gid_t group) {
    const QByteArray path = QFile::encodeName(FPath);
    struct stat leftover;
    if (::lstat(path.constData(), &leftover) == 0 && !S_ISDIR(leftover.st_mode)) {
        ::unlink(path.constData());
    }
    // Exclusive and not through a link, so nothing else is ever written to.
    FFd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (FFd < 0) {
        return false;
    }
    FCreated = true;
    // The owner may stay the writer's when it may not be given away; the song is still whole.
    if (::fchown(FFd, owner, group) != 0) {
        errno = 0;
    }
    return ::fchmod(FFd, mode & 07777) == 0;
}

bool TReplacementFile::Write(const QByteArray& bytes) {
    return FFd >= 0 && WriteAll(FFd, bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool TReplacementFile::CopyFrom(int iSourceFd, qint64 iOffset, qint64 iLength) {
    if (FFd < 0) {
        return false;
    }
    loff_t iFrom = iOffset;
    qint64 iLeft = iLength;
    while (iLeft > 0) {
        const ssize_t iCopied =
            ::copy_file_range(iSourceFd, &iFrom, FFd, nullptr, static_cast<size_t>(iLeft), 0);
        if (iCopied < 0) {
            if (errno == EINTR) {
                continue;
            }
            return CopyUnsupported(errno) && CopyByReading(iSourceFd, iFrom, iLeft);
        }
        if (iCopied == 0) {
            return false;  // the source is shorter than it was
        }
        iLeft -= iCopied;
    }
    return true;
}

bool TReplacementFile::CopyByReading(int iSourceFd, qint64 iOffset, qint64 iLength) {
    std::vector<char> buffer(KCopyChunk);
    while (iLength > 0) {
        const ssize_t iRead =
            ::pread(iSourceFd, buffer.data(), std::min<size_t>(buffer.size(), iLength), iOffset);
        if (iRead < 0 && errno == EINTR) {
            continue;
        }
        if (iRead <= 0 || !WriteAll(FFd, buffer.data(), static_cast<size_t>(iRead))) {
            return false;
        }
        iOffset += iRead;
        iLength -= iRead;
    }
    return true;
}

// No fsync before the rename: the rename alone is what keeps the old file whole when the
// program fails, and ext4 (the platform's default) writes a file's data before a rename that
// replaces another one takes effect. Syncing would double the cost of every tag rewrite.
bool TReplacementFile::Commit() {
    if (FFd < 0) {
        return false;
    }
    const bool bClosed = ::close(FFd) == 0;
    FFd = -1;
    if (!bClosed || ::rename(QFile::encodeName(FPath).constData(),
                             QFile::encodeName(FTarget).constData()) != 0) {
        return false;
    }
    FCreated = false;
    return true;
}
