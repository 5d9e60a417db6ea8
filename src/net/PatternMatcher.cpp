#define PCRE2_CODE_UNIT_WIDTH 8
#include "net/PatternMatcher.h"

#include <pcre2.h>

TPatternMatcher::TPatternMatcher(EOptions options) : FOptions(options) {}

TPatternMatcher::~TPatternMatcher() {
    FreeCode();
}

void TPatternMatcher::FreeCode() {
    pcre2_match_data_free(FMatchData);
    pcre2_code_free(FCode);
    FMatchData = nullptr;
    FCode = nullptr;
}

bool TPatternMatcher::SetPattern(const QString& strPattern) {
    FreeCode();
    FHasMatch = false;
    FErrorText.clear();
    if (strPattern.isEmpty()) {
        FErrorText = QStringLiteral("empty pattern");
        return false;
    }
    uint32_t flags = PCRE2_UTF;
    if (FOptions == KEntryOptions) {
        flags |= PCRE2_DOTALL | PCRE2_UNGREEDY;
    }
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANY);
    const QByteArray pattern = strPattern.toUtf8();
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    FCode = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.constData()), pattern.size(), flags,
                          &errorCode, &errorOffset, context);
    pcre2_compile_context_free(context);
    if (FCode == nullptr) {
        PCRE2_UCHAR buffer[256];
        pcre2_get_error_message(errorCode, buffer, sizeof buffer);
        FErrorText = QString::fromUtf8(reinterpret_cast<const char*>(buffer)) +
                     QStringLiteral(" (offset %1)").arg(errorOffset);
        return false;
    }
    // Without JIT support the interpreter runs the same pattern; nothing to report.
    pcre2_jit_compile(FCode, PCRE2_JIT_COMPLETE);
    FMatchData = pcre2_match_data_create_from_pattern(FCode, nullptr);
    return true;
}

void TPatternMatcher::SetSubject(const QString& strSubject) {
    FSubject = strSubject.toUtf8();
    FOffset = 0;
    FSubjectChecked = false;
    FHasMatch = false;
}

bool TPatternMatcher::Next(bool bNotEmpty) {
    FHasMatch = false;
    if (FCode == nullptr || FOffset > FSubject.size()) {
        return false;
    }
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(FSubject.constData());
    // The subject is checked once; checking it at every match would cost its length each time.
    uint32_t options =
        (FSubjectChecked ? PCRE2_NO_UTF_CHECK : 0) | (bNotEmpty ? PCRE2_NOTEMPTY : 0);
    FSubjectChecked = true;
    const int rc =
        pcre2_match(FCode, subject, FSubject.size(), FOffset, options, FMatchData, nullptr);
    if (rc < 0) {
        return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(FMatchData);
    FOffset = qsizetype(ovector[1]);
    if (ovector[1] == ovector[0]) {
        // An empty match: the next search moves on by one character, or it would find it again.
        ++FOffset;
        while (FOffset < FSubject.size() && (FSubject[FOffset] & 0xC0) == 0x80) {
            ++FOffset;
        }
    }
    FHasMatch = true;
    return true;
}

bool TPatternMatcher::FirstGroup(const QString& strSubject, QString& strGroup) {
    SetSubject(strSubject);
    if (!Next(true)) {
        return false;
    }
    strGroup = Group(1);
    return true;
}

QString TPatternMatcher::Group(int iGroup) const {
    if (!FHasMatch || iGroup < 0 || uint32_t(iGroup) >= pcre2_get_ovector_count(FMatchData)) {
        return QString();
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(FMatchData);
    const PCRE2_SIZE start = ovector[2 * iGroup];
    const PCRE2_SIZE end = ovector[2 * iGroup + 1];
    if (start == PCRE2_UNSET || end < start) {
        return QString();
    }
    return QString::fromUtf8(FSubject.constData() + start, qsizetype(end - start));
}

QString TPatternMatcher::ReplaceAll(const QString& strSubject, const QString& strReplacement) {
    SetSubject(strSubject);
    if (FCode == nullptr) {
        return strSubject;
    }
    const QByteArray replacement = strReplacement.toUtf8();
    QByteArray result;
    qsizetype copied = 0;
    while (Next()) {
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(FMatchData);
        result += QByteArrayView(FSubject).sliced(copied, qsizetype(ovector[0]) - copied);
        result += replacement;
        copied = qsizetype(ovector[1]);
    }
    result += QByteArrayView(FSubject).sliced(copied);
    return QString::fromUtf8(result);
}
