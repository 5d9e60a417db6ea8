#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <utility>

// Renders a page from an HTML template with "{NAME}" variables and repeatable blocks between
// "<!-- begin block NAME -->" and "<!-- end block NAME -->". The filling side declares block
// instances in document order (BeginBlock/SetVar/EndBlock), then MakeHtml renders the page.
// Rendering is linear in the template and the number of instances: the template is cut into
// tokens once and the store is hashed.
class TQorTpl {
public:
    // Deepest block nesting that a template may use.
    static constexpr int KMaxDepth = 9;

    TQorTpl() = default;

    // Reads the template (byte-order mark honoured, else UTF-8); its lines are joined with CR LF
    // after each. False when the file cannot be read.
    bool LoadTpl(const QString& aFileName);
    // Same, from text in memory.
    void SetTpl(const QString& strText);

    // The first value set for a name in one instance wins; "\'" becomes "'", nothing else changes.
    void SetVar(const QString& inToken, const QString& inValue);
    void BeginBlock(const QString& inBlockToken);
    void EndBlock(const QString& aBlock = QString());
    // The value seen from the instance path: the instance first, then each enclosing one.
    QString GetVar(const QString& inCurBlock, const QString& inToken) const;

    void MakeHtml();
    const QString& OutPutHtml() const { return m_sHTML; }

private:
    enum ETokenKind { KVariable, KBeginBlock, KEndBlock };
    struct TToken {
        qsizetype Start;
        qsizetype End;
        ETokenKind Kind;
        QString Name;  // folded for blocks, whose paths are hashed
    };
    // One block instance (index 0 is the top level) and the variables set in it, first wins.
    struct TInstance {
        int Parent;
        QList<std::pair<QString, QString>> Vars;  // name, value
    };

    void Tokenize();
    QString InstanceValue(int iInstance, const QString& strName) const;
    static QString Fold(const QString& str) { return str.toCaseFolded(); }

    // The store: instances reached by their folded path ("@row[2]"), each holding its own
    // variables, so a look-up never builds or hashes a key per variable.
    QList<TInstance> m_oVariables{TInstance{-1, {}}};
    QHash<QString, int> m_oInstanceIndex;
    QList<int> m_oOpenInstances{0};
    QString m_sTplString;
    QList<TToken> m_oTokens;
    QString m_sCurBlock;
    int m_aBlockLevel = 0;
    QString m_sLastBlockName;
    QList<int> m_aBlockIndex{0};  // instance counter per filling depth; index 0 unused
    QString m_sHTML;
};
