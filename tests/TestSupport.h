#pragma once

#include <QString>
#include <QTemporaryDir>

// A sandbox for one test: a temporary folder that holds the program folder (const.dat, lang/,
// skins/), the per-user and machine-wide data homes, the runtime folder and the registry file.
// The environment overrides point into it for the sandbox's lifetime, so no test ever touches
// the real home folder.
class TTestSandbox {
public:
    TTestSandbox();
    ~TTestSandbox();
    TTestSandbox(const TTestSandbox&) = delete;
    TTestSandbox& operator=(const TTestSandbox&) = delete;

    QString Root() const { return FDir.path() + u'/'; }
    QString ProgramFolder() const { return Root() + QStringLiteral("program/"); }
    QString UserDataHome() const { return Root() + QStringLiteral("user/"); }
    QString CommonDataHome() const { return Root() + QStringLiteral("common/"); }
    QString RegistryFile() const { return Root() + QStringLiteral("registry.ini"); }

    // Writes a file below the sandbox root (folders created), UTF-8 unless bytes are given.
    QString WriteFile(const QString& strRelativePath, const QString& strText) const;
    QString WriteBytes(const QString& strRelativePath, const QByteArray& bytes) const;

private:
    QTemporaryDir FDir;
};

// The whole content of a file, or an empty array.
QByteArray ReadAll(const QString& strPath);
