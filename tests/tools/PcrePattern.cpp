#include "PcrePattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

namespace {

struct TMatchDataFree {
    void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};

}  // namespace

TPcrePattern::TPcrePattern(const QString& strPattern, EUse use) {
    quint32 options = PCRE2_UTF;
    if (use == EUse::KEntries) {
        options |= PCRE2_DOTALL | PCRE2_UNGREEDY;
    }
    if (use == EUse::KResolver) {
        FMatchOptions = PCRE2_NOTEMPTY;
    }
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANY);
    const QByteArray pattern = strPattern.toUtf8();
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    FCode = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.constData()), pattern.size(),
                          options, &error, &errorOffset, context);
    pcre2_compile_context_free(context);
    if (FCode == nullptr) {
        PCRE2_UCHAR buffer[256];
        pcre2_get_error_message(error, buffer, sizeof(buffer));
        FError = QString::fromUtf8(reinterpret_cast<const char*>(buffer)) +
                 QStringLiteral(" at offset ") + QString::number(errorOffset);
    }
}

TPcrePattern::~TPcrePattern() {
    pcre2_code_free(FCode);
}

std::optional<QString> TPcrePattern::FirstGroup(const QString& strSubject) const {
    const QStringList groups = AllFirstGroups(strSubject);
    return groups.isEmpty() ? std::nullopt : std::optional<QString>(groups.first());
}

QStringList TPcrePattern::AllFirstGroups(const QString& strSubject) const {
    QStringList groups;
    if (FCode == nullptr) {
        return groups;
    }
    const QByteArray subject = strSubject.toUtf8();
    const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.constData());
    std::unique_ptr<pcre2_match_data, TMatchDataFree> match(
        pcre2_match_data_create_from_pattern(FCode, nullptr));
    PCRE2_SIZE offset = 0;
    while (offset <= PCRE2_SIZE(subject.size())) {
        const int rc =
            pcre2_match(FCode, text, subject.size(), offset, FMatchOptions, match.get(), nullptr);
        if (rc < 0) {
            break;
        }
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.get());
        groups.append(rc >= 2 && ovector[2] != PCRE2_UNSET
                          ? QString::fromUtf8(subject.constData() + ovector[2],
                                              qsizetype(ovector[3] - ovector[2]))
                          : QString());
        offset = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
    }
    return groups;
}
