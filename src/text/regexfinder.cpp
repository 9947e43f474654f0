#include "text/regexfinder.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>

namespace {
QString ErrorText(int code) {
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return QStringLiteral("error %1").arg(code);
    return QString::fromUtf8(reinterpret_cast<const char*>(buffer));
}

// The JIT's stack grows up to this for patterns that backtrack deeply.
constexpr PCRE2_SIZE kJitStackMax = 8 << 20;
} // namespace

struct CRegexFinder::Pcre {
    pcre2_code* code = nullptr;
    pcre2_match_data* match = nullptr;
    pcre2_match_context* context = nullptr;
    pcre2_jit_stack* stack = nullptr;
    ~Pcre() {
        pcre2_jit_stack_free(stack);
        pcre2_match_context_free(context);
        pcre2_match_data_free(match);
        pcre2_code_free(code);
    }
};

std::unique_ptr<CRegexFinder> CRegexFinder::Compile(const QByteArray& pattern, bool matchCase,
                                                    RegexError* error) {
    std::unique_ptr<CRegexFinder> finder(new CRegexFinder(pattern, matchCase));
    finder->m_pcre = std::make_unique<Pcre>();
    Pcre& p = *finder->m_pcre;
    pcre2_compile_context* compile = pcre2_compile_context_create(nullptr);
    // A line ends with CR LF, LF or CR, as the text's lines do.
    pcre2_set_newline(compile, PCRE2_NEWLINE_ANYCRLF);
    const uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_UCP | PCRE2_MULTILINE |
                             (matchCase ? 0 : PCRE2_CASELESS);
    int code = 0;
    PCRE2_SIZE offset = 0;
    p.code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.constData()), pattern.size(),
                           options, &code, &offset, compile);
    pcre2_compile_context_free(compile);
    if (!p.code) {
        if (error)
            *error = RegexError{ErrorText(code), static_cast<long>(offset)};
        return nullptr;
    }
    // Without the JIT (a machine it does not know) the same matches are found, more slowly.
    pcre2_jit_compile(p.code, PCRE2_JIT_COMPLETE);
    uint32_t groups = 0;
    pcre2_pattern_info(p.code, PCRE2_INFO_CAPTURECOUNT, &groups);
    finder->m_nGroups = static_cast<int>(groups);
    uint32_t behind = 0;
    pcre2_pattern_info(p.code, PCRE2_INFO_MAXLOOKBEHIND, &behind);
    // Lookbehinds inside lookbehinds add up: twice the longest, in bytes, and a margin for the
    // line break that `^` looks at.
    finder->m_nContextBefore = 4 * (2 * static_cast<long>(behind) + pattern.size()) + 16;
    p.match = pcre2_match_data_create_from_pattern(p.code, nullptr);
    p.context = pcre2_match_context_create(nullptr);
    p.stack = pcre2_jit_stack_create(32 << 10, kJitStackMax, nullptr);
    pcre2_jit_stack_assign(p.context, nullptr, p.stack);
    return finder;
}

CRegexFinder::CRegexFinder(const QByteArray& pattern, bool matchCase)
    : m_pattern(pattern), m_bMatchCase(matchCase) {}

CRegexFinder::~CRegexFinder() = default;

CRegexFinder::Result CRegexFinder::Match(const char* subject, long length, long from,
                                         bool lineEndsThere, bool anchored, long* start,
                                         long* end) {
    const uint32_t options = (lineEndsThere ? 0 : PCRE2_NOTEOL) | (anchored ? PCRE2_ANCHORED : 0);
    const int rc = pcre2_match(m_pcre->code, reinterpret_cast<PCRE2_SPTR>(subject), length, from,
                               options, m_pcre->match, m_pcre->context);
    if (rc == PCRE2_ERROR_NOMATCH)
        return kNotFound;
    if (rc < 0) {
        m_failure = ErrorText(rc);
        return kFailed;
    }
    const PCRE2_SIZE* v = pcre2_get_ovector_pointer(m_pcre->match);
    // \K in a lookahead can put the end before the start: the match is then empty at its end.
    *start = static_cast<long>(std::min(v[0], v[1]));
    *end = static_cast<long>(v[1]);
    return kFound;
}

QByteArray CRegexFinder::Expand(const QByteArray& with, const char* subject) const {
    const PCRE2_SIZE* v = pcre2_get_ovector_pointer(m_pcre->match);
    const uint32_t pairs = pcre2_get_ovector_count(m_pcre->match);
    QByteArray out;
    out.reserve(with.size());
    for (qsizetype i = 0; i < with.size(); ++i) {
        const char c = with[i];
        if (c != '\\' || i + 1 == with.size()) {
            out += c;
            continue;
        }
        const char next = with[++i];
        if (next >= '0' && next <= '9') {
            const uint32_t group = next - '0';
            if (group < pairs && v[2 * group] != PCRE2_UNSET && v[2 * group] < v[2 * group + 1])
                out.append(subject + v[2 * group], v[2 * group + 1] - v[2 * group]);
        } else if (next == 'n') {
            out += '\n';
        } else if (next == 't') {
            out += '\t';
        } else if (next == '\\') {
            out += '\\';
        } else {
            out += '\\';
            out += next;
        }
    }
    return out;
}

int HighestGroupIn(const QByteArray& with) {
    int highest = 0;
    for (qsizetype i = 0; i + 1 < with.size(); ++i) {
        if (with[i] != '\\')
            continue;
        const char next = with[++i];
        if (next >= '1' && next <= '9')
            highest = std::max(highest, next - '0');
    }
    return highest;
}
