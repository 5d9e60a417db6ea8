#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TTestSandbox::TTestSandbox() {
    QDir().mkpath(ProgramFolder());
    QDir().mkpath(UserDataHome());
    QDir().mkpath(Root() + QStringLiteral("runtime"));
    qputenv("HALVEX_USER_DATA_HOME", UserDataHome().toUtf8());
    qputenv("HALVEX_COMMON_DATA_HOME", CommonDataHome().toUtf8());
    qputenv("HALVEX_REGISTRY_FILE", RegistryFile().toUtf8());
    qputenv("XDG_RUNTIME_DIR", (Root() + QStringLiteral("runtime")).toUtf8());
    qputenv("XDG_DATA_HOME", UserDataHome().toUtf8());
    qputenv("XDG_CONFIG_HOME", (Root() + QStringLiteral("config")).toUtf8());
}

TTestSandbox::~TTestSandbox() {
    for (const char* name :
         {"HALVEX_USER_DATA_HOME", "HALVEX_COMMON_DATA_HOME", "HALVEX_REGISTRY_FILE",
          "XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
        qunsetenv(name);
    }
}

QString TTestSandbox::WriteBytes(const QString& strRelativePath, const QByteArray& bytes) const {
    const QString strPath = Root() + strRelativePath;
    QDir().mkpath(QFileInfo(strPath).path());
    QFile file(strPath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
    }
    return strPath;
}

QString TTestSandbox::WriteFile(const QString& strRelativePath, const QString& strText) const {
    return WriteBytes(strRelativePath, strText.toUtf8());
}

QByteArray ReadAll(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
