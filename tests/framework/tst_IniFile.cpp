#include <QTest>

#include "framework/KrIniFile.h"

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void firstOfEqualKeysWins() {
        TKrIniFile ini;
        ini.LoadFromString(QStringLiteral("[S]\nA=1\na=2\n"));
        QCOMPARE(ini.ReadString(QStringLiteral("s"), QStringLiteral("A")), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_IniFile.moc"
