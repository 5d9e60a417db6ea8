#include "framework/KrLog.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <atomic>
#include <map>
#include <memory>

namespace {

std::atomic_bool g_bActive{false};
std::atomic_bool g_bAutoStart{false};

// QLoggingCategory keeps a pointer to its name, so each name lives as long as its category.
struct TTagCategory {
    QByteArray Name;
    std::unique_ptr<QLoggingCategory> Category;
};

QMutex g_CategoryLock;
std::map<QString, TTagCategory>& Categories() {
    static std::map<QString, TTagCategory> categories;
    return categories;
}

const QLoggingCategory& CategoryFor(const QString& strTag) {
    const QString strName = strTag.isEmpty() ? QStringLiteral("Kr") : strTag;
    QMutexLocker locker(&g_CategoryLock);
    TTagCategory& entry = Categories()[strName];
    if (!entry.Category) {
        entry.Name = strName.toUtf8();
        entry.Category = std::make_unique<QLoggingCategory>(entry.Name.constData(), QtDebugMsg);
    }
    return *entry.Category;
}

}  // namespace

void TKrLog::SetActive(bool bActive) {
    g_bActive = bActive;
}
bool TKrLog::Active() {
    return g_bActive;
}
void TKrLog::SetAutoStart(bool bAutoStart) {
    g_bAutoStart = bAutoStart;
}
bool TKrLog::AutoStart() {
    return g_bAutoStart;
}

void TKrLog::Write(const QString& strMessage, const QString& strTag) {
    if (!g_bActive) {
        return;
    }
    const QLoggingCategory& category = CategoryFor(strTag);
    if (category.isDebugEnabled()) {
        QMessageLogger(nullptr, 0, nullptr, category.categoryName()).debug().noquote()
            << strMessage;
    }
}
