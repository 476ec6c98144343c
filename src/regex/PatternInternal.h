// Shared by the compiler's source files only: element creation and the number reader.
#pragma once

#include <memory>
#include <utility>

#include "regex/AssertElements.h"
#include "regex/CharTraits.h"
#include "regex/GroupElements.h"
#include "regex/LeafElements.h"
#include "regex/MatchState.h"
#include "regex/Pattern.h"
#include "regex/RepeatElements.h"
#include "regex/SequenceElements.h"

// Every element goes into the element list, its only owner, as soon as it exists.
template <class E, class... Args> E* CPatternT::Make(Args&&... args) {
    auto pElx = std::make_unique<E>(std::forward<Args>(args)...);
    m_elements.Push(pElx.get());
    return pElx.release();
}

// Reads a quantifier bound or a numeric name at nPos: optional whitespace, one to three decimal digits (a
// fourth is not read), optional whitespace. False when there is no digit.
inline bool ReadNumber(const CBufferRefT<char>& text, int& nPos, int& nValue) {
    while (IsSpace(text.At(nPos)))
        ++nPos;
    if (!IsDigit(text.At(nPos))) return false;
    nValue = 0;
    for (int nDigits = 0; nDigits < 3 && IsDigit(text.At(nPos)); ++nDigits)
        nValue = nValue * 10 + (text[nPos++] - '0');
    while (IsSpace(text.At(nPos)))
        ++nPos;
    return true;
}

// True when the whole text reads as a number.
inline bool ReadWholeNumber(const CBufferRefT<char>& text, int& nValue) {
    int nPos = 0;
    int nRead = 0;
    if (!ReadNumber(text, nPos, nRead) || nPos != text.Size()) return false;
    nValue = nRead;
    return true;
}
