#include "SearchFixture.h"

#include <QDir>
#include <QFile>

#include "framework/KrTextFile.h"

namespace {

QString SearchData() {
    return QStringLiteral(HALVEX_TEST_DATA_DIR "/search/");
}

void CopyFolder(const QString& strFrom, const QString& strTo) {
    QDir().mkpath(strTo);
    for (const QString& strName : QDir(strFrom).entryList(QDir::Files)) {
        QFile::copy(strFrom + u'/' + strName, strTo + u'/' + strName);
    }
}

}  // namespace

QString TSearchFixture::TestData(const QString& strName) {
    TKrText text;
    KrTextFile::Read(SearchData() + strName, text);
    return text.Text;
}

TSearchFixture::TSearchFixture(ETemplates templates, const QString& strConstDat)
    : Framework(strConstDat.isEmpty() ? TestData(QStringLiteral("const.dat")) : strConstDat) {
    CopyFolder(templates == KFixtureTemplates ? SearchData() + QStringLiteral("res")
                                              : QStringLiteral(HALVEX_SOURCE_DIR "/data/res"),
               ProgramFolder() + QStringLiteral("res"));
}
