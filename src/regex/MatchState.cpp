// The match state. Tested by tests/regex/CaptureTest.cpp and tests/regex/DriverTest.cpp.
#include "regex/MatchState.h"

void CMatchStateT::Reset(const char* pSubject, int nLength) {
    m_stack.Truncate(0);
    m_captures.Truncate(0);
    m_captureIndex.Truncate(0);
    m_nCurrentPos = 0;
    m_nBeginPos = 0;
    m_nLastPos = -1;
    m_nCloseCount = 0;
    m_pSubject = pSubject;
    m_nSubjectLength = nLength;
    m_nDepth = 0;
    m_nSteps = 0;
}

int CMatchStateT::FindRecord(int n, int nStart) const {
    if (nStart < 0) return -1;
    const int nTop = m_captures.Size() - kRecSize;
    int k = nStart >= nTop ? nTop : nStart - nStart % kRecSize;
    for (; k >= 0; k -= kRecSize) {
        if (m_captures[k + kRecGroup] == n) return k;
    }
    return -1;
}
