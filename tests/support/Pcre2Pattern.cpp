#include "support/Pcre2Pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

Pcre2Pattern::Pcre2Pattern(std::string_view pattern, std::uint32_t options, bool jit) : m_jit(jit) {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_LF);
    int error = 0;
    PCRE2_SIZE offset = 0;
    m_code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                           options | PCRE2_ANCHORED | PCRE2_ENDANCHORED, &error, &offset, context);
    pcre2_compile_context_free(context);
    if (!m_code) return;
    if (jit && pcre2_jit_compile(m_code, PCRE2_JIT_COMPLETE) != 0) m_jit = false;
    pcre2_pattern_info(m_code, PCRE2_INFO_CAPTURECOUNT, &m_groups);
    m_data = pcre2_match_data_create_from_pattern(m_code, nullptr);
}

Pcre2Pattern::~Pcre2Pattern() {
    pcre2_match_data_free(m_data);
    pcre2_code_free(m_code);
}

int Pcre2Pattern::match(std::string_view subject) {
    if (!m_code) return PCRE2_ERROR_NULL;
    m_lastResult = pcre2_match(m_code, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0,
                               m_jit ? 0 : PCRE2_NO_JIT, m_data, nullptr);
    if (m_lastResult == PCRE2_ERROR_MATCHLIMIT || m_lastResult == PCRE2_ERROR_DEPTHLIMIT ||
        m_lastResult == PCRE2_ERROR_HEAPLIMIT)
        ++m_gaveUp;
    return m_lastResult;
}

std::optional<std::pair<std::size_t, std::size_t>> Pcre2Pattern::group(std::uint32_t group) const {
    if (m_lastResult <= 0 || static_cast<int>(group) >= m_lastResult) return std::nullopt;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(m_data);
    if (ovector[2 * group] == PCRE2_UNSET) return std::nullopt;
    return std::make_pair(static_cast<std::size_t>(ovector[2 * group]),
                          static_cast<std::size_t>(ovector[2 * group + 1]));
}
