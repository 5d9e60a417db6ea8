#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Builds the new content of a file beside it, in the file's name plus "~", and puts it in place
// with one rename. Until then the old file is untouched; any failure removes only the new one.
class TReplacementFile {
public:
    // A symbolic link is followed: the file it names is the one replaced.
    explicit TReplacementFile(const QString& strTarget);
    // Removes the new file unless it was committed.
    ~TReplacementFile();
    TReplacementFile(const TReplacementFile&) = delete;
    TReplacementFile& operator=(const TReplacementFile&) = delete;

    QString TargetPath() const { return FTarget; }
    QString Path() const { return FPath; }

    // Creates the new file with the given permission bits and owner. A file left behind by an
    // earlier, interrupted replacement is removed first; anything else of that name (a folder)
    // makes it fail.
    bool Open(mode_t mode, uid_t owner, gid_t group);
    bool Write(const QByteArray& bytes);
    // Appends iLength bytes of the source, from iOffset on.
    bool CopyFrom(int iSourceFd, qint64 iOffset, qint64 iLength);
    // Closes the new file and renames it over the target.
    bool Commit();

private:
    bool CopyByReading(int iSourceFd, qint64 iOffset, qint64 iLength);

    QString FTarget;
    QString FPath;
    int FFd = -1;
    bool FCreated = false;
};
