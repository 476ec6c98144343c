// The pattern lexer: turns pattern characters into tokens for a four-token window, left to right, once.
// Tested by tests/regex/CompilerTest.cpp.
#include "regex/Pattern.h"

#include "regex/CharTraits.h"

namespace {

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Puts a token of nLen pattern characters at the lexer position and moves past it.
bool Produce(PatternToken& token, int& nLexPos, char ch, int nMeta, int nLen) {
    token = PatternToken{ch, nMeta, nLexPos, nLen};
    nLexPos += nLen;
    return true;
}

} // namespace

void CPatternT::Advance() {
    m_prev = m_cur;
    m_cur = m_next;
    m_next = m_newest;
    while (!LexOne(m_newest)) {
    }
}

// Produces one token into token and returns true, or skips pattern text and returns false. Every path
// that produces nothing moves the lexer position forward, so Advance always ends.
bool CPatternT::LexOne(PatternToken& token) {
    const int nLength = m_pattern.Size();
    const char* s = m_pattern.Data();
    const int p = m_nLexPos;
    auto produce = [&](char ch, int nMeta, int nLen) { return Produce(token, m_nLexPos, ch, nMeta, nLen); };
    auto skipTo = [&](int nPos) {
        m_nLexPos = nPos;
        return false;
    };

    if (p >= nLength) {
        token = PatternToken{0, 1, p, 0};
        return true;
    }
    const char c = s[p];
    const char c1 = p + 1 < nLength ? s[p + 1] : 0;

    if (m_nQuoteMode) {
        if (c == '\\' && c1 == 'E') {
            m_nQuoteMode = 0;
            m_pQuoteConvert = nullptr;
            return skipTo(p + 2);
        }
        return produce(m_pQuoteConvert ? static_cast<char>(m_pQuoteConvert(c)) : c, 0, 1);
    }

    const bool bInClass = m_nClassDepth > 0;
    const bool bExtended = (m_nFlags & Extended) != 0;
    switch (c) {
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case ' ':
        return bExtended ? skipTo(p + 1) : produce(c, 0, 1);
    case '#':
        if (bExtended) {
            int q = p + 1;
            while (q < nLength && s[q] != '\n' && s[q] != '\r')
                ++q;
            return skipTo(q);
        }
        return produce(c, 0, 1);
    case '$':
    case ')':
    case '*':
    case '+':
    case '.':
    case '?':
    case '{':
    case '|':
    case '}':
        return produce(c, bInClass ? 0 : 1, 1);
    case '(':
        if (c1 == '?' && p + 2 < nLength && s[p + 2] == '#') {
            // A comment runs past the next ')'; an unterminated one runs to the end of the pattern.
            int q = p + 3;
            while (q < nLength && s[q] != ')')
                ++q;
            return skipTo(q < nLength ? q + 1 : nLength);
        }
        return produce(c, bInClass ? 0 : 1, 1);
    case '-':
        return produce(c, bInClass ? 1 : 0, 1);
    case ':':
        return produce(c, m_next.IsMeta('[') ? 1 : 0, 1);
    case '[':
        if (!bInClass || c1 == ':') {
            ++m_nClassDepth;
            return produce(c, 1, 1);
        }
        return produce(c, 0, 1);
    case ']':
        if (bInClass) {
            --m_nClassDepth;
            return produce(c, 1, 1);
        }
        return produce(c, 0, 1);
    case '^':
        if (!bInClass || m_next.IsMeta('[') || (m_cur.IsMeta('[') && m_next.IsMeta(':'))) return produce(c, 1, 1);
        return produce(c, 0, 1);
    case '\\':
        return LexEscape(token);
    default:
        return produce(c, 0, 1);
    }
}

bool CPatternT::LexEscape(PatternToken& token) {
    const int nLength = m_pattern.Size();
    const char* s = m_pattern.Data();
    const int p = m_nLexPos;
    auto produce = [&](char ch, int nMeta, int nLen) { return Produce(token, m_nLexPos, ch, nMeta, nLen); };
    auto startQuote = [&](int (*pConvert)(int)) {
        if (!m_pQuoteConvert) m_pQuoteConvert = pConvert;
        m_nQuoteMode = 1;
        m_nLexPos = p + 2;
        return false;
    };

    if (p + 1 >= nLength) return produce('\\', 0, 1); // a final backslash stands for itself
    const char e = s[p + 1];
    const bool bInClass = m_nClassDepth > 0;
    switch (e) {
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        return produce('\\', 1, 1); // the digits follow as literals, read by the back-reference parser
    case 'A':
    case 'B':
    case 'D':
    case 'S':
    case 'W':
    case 'Z':
    case 'd':
    case 'g':
    case 'k':
    case 's':
    case 'w':
    case 'z':
        return produce(e, 1, 2);
    case 'G':
        if (bInClass) {
            m_nLexPos = p + 2;
            return false;
        }
        return produce(e, 1, 2);
    case 'b':
        return bInClass ? produce(8, 0, 2) : produce(e, 1, 2);
    case 'E':
        m_nQuoteMode = 0;
        m_pQuoteConvert = nullptr;
        m_nLexPos = p + 2;
        return false;
    case 'Q':
        return startQuote(nullptr);
    case 'L':
        return startQuote(ToLower);
    case 'U':
        return startQuote(ToUpper);
    case 'a':
        return produce(7, 0, 2);
    case 'e':
        return produce(27, 0, 2);
    case 'f':
        return produce(12, 0, 2);
    case 'n':
        return produce(10, 0, 2);
    case 'r':
        return produce(13, 0, 2);
    case 't':
        return produce(9, 0, 2);
    case 'v':
        return produce(11, 0, 2);
    case 'x':
    case 'u': {
        unsigned nValue = 0;
        if (p + 2 < nLength && s[p + 2] == '{') {
            int q = p + 3;
            for (int nDigits = 0; nDigits < 8 && q < nLength && HexValue(s[q]) >= 0; ++nDigits, ++q)
                nValue = nValue * 16 + static_cast<unsigned>(HexValue(s[q]));
            while (q < nLength && s[q] != '}')
                ++q;
            if (q < nLength) ++q; // through the '}'
            return produce(static_cast<char>(nValue & 0xFF), 0, q - p);
        }
        const int nMaxDigits = e == 'x' ? 2 : 4;
        int nDigits = 0;
        while (nDigits < nMaxDigits && p + 2 + nDigits < nLength && HexValue(s[p + 2 + nDigits]) >= 0) {
            nValue = nValue * 16 + static_cast<unsigned>(HexValue(s[p + 2 + nDigits]));
            ++nDigits;
        }
        if (nDigits == 0) return produce(e, 0, 2);
        return produce(static_cast<char>(nValue & 0xFF), 0, 2 + nDigits);
    }
    default:
        return produce(e, 0, 2); // NUL inside the pattern included: '\.' is '.', '\\' is '\'
    }
}
