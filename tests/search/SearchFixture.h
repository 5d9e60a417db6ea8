#pragma once

#include <QString>

#include "TestFramework.h"

// The framework set up for the search layer: the service settings of tests/data/search/const.dat
// (or the given text) and the page templates in the program folder's res/ — the compact
// fixtures of tests/data/search/res by default, the shipped pages of data/res on request.
class TSearchFixture {
public:
    enum ETemplates { KFixtureTemplates, KShippedTemplates };

    explicit TSearchFixture(ETemplates templates = KFixtureTemplates,
                            const QString& strConstDat = QString());

    QString ProgramFolder() const { return Framework.Sandbox.ProgramFolder(); }
    // A file of tests/data/search as text.
    static QString TestData(const QString& strName);

    TTestFramework Framework;
};
