#include "search/QorTpl.h"

#include <array>

#include "framework/KrLog.h"
#include "framework/KrTextFile.h"

namespace {

const QString kLogTag = QStringLiteral("QorTpl");

bool IsAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsWordChar(QChar c) {
    return IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_';
}

// Length of the marker "<!-- <word> block NAME -->" at i, or 0; the name goes to strName.
qsizetype MatchMarker(QStringView text, qsizetype i, QLatin1String prefix, QString& strName) {
    static const QLatin1String kSuffix{" -->"};
    if (text.size() - i < prefix.size() ||
        text.sliced(i, prefix.size()).compare(prefix, Qt::CaseInsensitive) != 0) {
        return 0;
    }
    qsizetype j = i + prefix.size();
    const qsizetype nameStart = j;
    while (j < text.size() && IsWordChar(text[j])) {
        ++j;
    }
    if (j == nameStart || text.size() - j < kSuffix.size() ||
        text.sliced(j, kSuffix.size()) != kSuffix) {
        return 0;
    }
    strName = text.sliced(nameStart, j - nameStart).toString();
    return j + kSuffix.size() - i;
}

}  // namespace

bool TQorTpl::LoadTpl(const QString& aFileName) {
    TKrText text;
    if (!KrTextFile::Read(aFileName, text)) {
        TKrLog::Write(QStringLiteral("Template cannot be read: ") + aFileName, kLogTag);
        return false;
    }
    SetTpl(text.Text);
    return true;
}

void TQorTpl::SetTpl(const QString& strText) {
    // Whatever line ends the file has, the page gets CR LF after every line.
    static const QString kCrLf = QStringLiteral("\r\n");
    m_sTplString.clear();
    m_sTplString.reserve(strText.size() + strText.size() / 16);
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < strText.size(); ++i) {
        const QChar c = strText[i];
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        m_sTplString += QStringView(strText).sliced(lineStart, i - lineStart) + kCrLf;
        if (c == u'\r' && i + 1 < strText.size() && strText[i + 1] == u'\n') {
            ++i;
        }
        lineStart = i + 1;
    }
    if (lineStart < strText.size()) {
        m_sTplString += QStringView(strText).sliced(lineStart) + kCrLf;
    }
    Tokenize();
}

void TQorTpl::Tokenize() {
    static const QLatin1String kBegin{"<!-- begin block "};
    static const QLatin1String kEnd{"<!-- end block "};
    m_oTokens.clear();
    const QStringView text(m_sTplString);
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u'{' && i + 1 < text.size() && IsAsciiLetter(text[i + 1])) {
            qsizetype j = i + 2;
            while (j < text.size() && IsWordChar(text[j])) {
                ++j;
            }
            if (j < text.size() && text[j] == u'}') {
                m_oTokens.append(
                    {i, j + 1, KVariable, Fold(text.sliced(i + 1, j - i - 1).toString())});
                i = j + 1;
                continue;
            }
        } else if (c == u'<') {
            QString strName;
            if (const qsizetype len = MatchMarker(text, i, kBegin, strName)) {
                m_oTokens.append({i, i + len, KBeginBlock, Fold(strName)});
                i += len;
                continue;
            }
            if (const qsizetype len = MatchMarker(text, i, kEnd, strName)) {
                m_oTokens.append({i, i + len, KEndBlock, Fold(strName)});
                i += len;
                continue;
            }
        }
        ++i;
    }
}

void TQorTpl::SetVar(const QString& inToken, const QString& inValue) {
    TInstance& instance = m_oVariables[m_oOpenInstances.last()];
    for (const auto& var : instance.Vars) {
        if (var.first.compare(inToken, Qt::CaseInsensitive) == 0) {
            return;
        }
    }
    static const QString kEscapedApostrophe = QStringLiteral("\\'");
    instance.Vars.append(
        {inToken, inValue.contains(kEscapedApostrophe)
                      ? QString(inValue).replace(kEscapedApostrophe, QStringLiteral("'"))
                      : inValue});
}

void TQorTpl::BeginBlock(const QString& inBlockToken) {
    ++m_aBlockLevel;
    if (m_aBlockIndex.size() <= m_aBlockLevel) {
        m_aBlockIndex.resize(m_aBlockLevel + 1);
    }
    // Consecutive instances of one block are numbered on; any other block starts at 0. The
    // parent's index is part of the path, so children restart in each parent instance.
    const QString strPath = m_sCurBlock + u'@' + inBlockToken;
    int& counter = m_aBlockIndex[m_aBlockLevel];
    counter = m_sLastBlockName.startsWith(strPath) ? counter + 1 : 0;
    m_sLastBlockName = strPath;
    m_sCurBlock = strPath + u'[' + QString::number(counter) + u']';
    // A path declared twice is one instance: its first values stay in force.
    const QString strKey = Fold(m_sCurBlock);
    auto it = m_oInstanceIndex.constFind(strKey);
    if (it == m_oInstanceIndex.constEnd()) {
        m_oVariables.append(TInstance{m_oOpenInstances.last(), {}});
        it = m_oInstanceIndex.insert(strKey, int(m_oVariables.size() - 1));
    }
    m_oOpenInstances.append(*it);
}

void TQorTpl::EndBlock(const QString& /*aBlock*/) {
    if (m_aBlockLevel == 0) {
        TKrLog::Write(QStringLiteral("EndBlock without an open block"), kLogTag);
        return;
    }
    m_sCurBlock.truncate(m_sCurBlock.lastIndexOf(u'@'));
    m_oOpenInstances.removeLast();
    --m_aBlockLevel;
}

QString TQorTpl::InstanceValue(int iInstance, const QString& strName) const {
    for (int i = iInstance; i >= 0; i = m_oVariables[i].Parent) {
        for (const auto& var : m_oVariables[i].Vars) {
            if (var.first.compare(strName, Qt::CaseInsensitive) == 0) {
                return var.second;
            }
        }
    }
    return QString();
}

QString TQorTpl::GetVar(const QString& inCurBlock, const QString& inToken) const {
    // The nearest declared instance along the path; the top level when there is none.
    QString strPath = Fold(inCurBlock);
    while (!strPath.isEmpty() && !m_oInstanceIndex.contains(strPath)) {
        strPath.truncate(qMax<qsizetype>(0, strPath.lastIndexOf(u'@')));
    }
    return InstanceValue(strPath.isEmpty() ? 0 : m_oInstanceIndex.value(strPath), inToken);
}

void TQorTpl::MakeHtml() {
    // Per depth: scan point (characters and next token), the point after the end marker of the
    // block last left there, whether output is produced, and the current instance number.
    constexpr int kSlots = KMaxDepth + 2;
    std::array<qsizetype, kSlots> pos{}, tokenAt{}, endPos{}, endTokenAt{};
    std::array<bool, kSlots> show{};
    std::array<int, kSlots> idx{};
    std::array<int, kSlots> instance{};  // the instance shown at each depth (-1: none)
    QList<qsizetype> segmentStarts;
    QString strPath;
    int depth = 0;
    show[0] = true;

    const QStringView text(m_sTplString);
    m_sHTML.clear();
    m_sHTML.reserve(text.size());
    const auto emitUpTo = [&](qsizetype to) {
        m_sHTML += text.sliced(pos[depth], to - pos[depth]);
    };
    const auto emitRestLiterally = [&](const QString& strWhy) {
        TKrLog::Write(strWhy + QStringLiteral("; the rest of the template is shown as it is"),
                      kLogTag);
        emitUpTo(text.size());
    };

    for (;;) {
        if (tokenAt[depth] >= m_oTokens.size()) {
            emitUpTo(text.size());
            return;
        }
        const TToken& token = m_oTokens[tokenAt[depth]];
        switch (token.Kind) {
            case KVariable:
                if (show[depth]) {
                    emitUpTo(token.Start);
                    m_sHTML += InstanceValue(instance[depth], token.Name);
                }
                pos[depth] = token.End;
                ++tokenAt[depth];
                break;
            case KBeginBlock: {
                if (depth >= KMaxDepth) {
                    emitRestLiterally(
                        QStringLiteral("Blocks nested deeper than %1").arg(KMaxDepth));
                    return;
                }
                // The scan point of this depth stays before the marker: the block is met again
                // for each instance, and the text before it is emitted the first time only.
                if (show[depth] && idx[depth + 1] == 0) {
                    emitUpTo(token.Start);
                }
                ++depth;
                pos[depth] = token.End;
                tokenAt[depth] = tokenAt[depth - 1] + 1;
                idx[depth + 1] = 0;
                segmentStarts.append(strPath.size());
                strPath += u'@' + token.Name + u'[' + QString::number(idx[depth]) + u']';
                instance[depth] = m_oInstanceIndex.value(strPath, -1);
                show[depth] = instance[depth] >= 0;
                if (!show[depth] && idx[depth] != 0) {
                    // Every instance has been rendered: resume after the end marker.
                    strPath.truncate(segmentStarts.takeLast());
                    idx[depth] = 0;
                    --depth;
                    pos[depth] = endPos[depth];
                    tokenAt[depth] = endTokenAt[depth];
                }
                break;
            }
            case KEndBlock:
                if (depth == 0) {
                    emitRestLiterally(QStringLiteral("End marker without an open block"));
                    return;
                }
                if (show[depth]) {
                    emitUpTo(token.Start);
                }
                ++idx[depth];
                strPath.truncate(segmentStarts.takeLast());
                --depth;
                endPos[depth] = token.End;
                endTokenAt[depth] = tokenAt[depth + 1] + 1;
                break;
        }
    }
}
