#include "net/PcreMatcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

TPcreMatcher::TPcreMatcher(const QString& strPattern) {
    const QByteArray pattern = strPattern.toUtf8();
    int iError = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANY);
    FCode = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.constData()), pattern.size(),
                          PCRE2_UTF, &iError, &errorOffset, context);
    pcre2_compile_context_free(context);
    if (FCode) {
        // JIT is only a speed-up; the interpreter answers alike where it is unavailable.
        pcre2_jit_compile(FCode, PCRE2_JIT_COMPLETE);
    }
}

TPcreMatcher::~TPcreMatcher() {
    pcre2_code_free(FCode);
}

bool TPcreMatcher::FirstGroup(const QString& strSubject, QString& strGroup) const {
    if (!FCode) {
        return false;
    }
    const QByteArray subject = strSubject.toUtf8();
    std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> matchData(
        pcre2_match_data_create_from_pattern(FCode, nullptr), &pcre2_match_data_free);
    const int iCount = pcre2_match(FCode, reinterpret_cast<PCRE2_SPTR>(subject.constData()),
                                   subject.size(), 0, PCRE2_NOTEMPTY, matchData.get(), nullptr);
    if (iCount < 0) {
        return false;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(matchData.get());
    strGroup.clear();
    if (iCount >= 2 && ovector[2] != PCRE2_UNSET) {
        strGroup =
            QString::fromUtf8(subject.constData() + ovector[2], qsizetype(ovector[3] - ovector[2]));
    }
    return true;
}
