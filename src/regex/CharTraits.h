// Character tests and case conversions of the engine, defined for the 'C' locale on signed bytes.
// Bytes 0x80-0xFF (negative as signed chars) have no case and belong to no class, whatever the
// process locale is; the C library's own functions would be undefined for them.
#pragma once

inline bool IsAsciiChar(int c) {
    return c >= 0 && c <= 0x7F;
}
inline int IsUpper(int c) {
    return c >= 'A' && c <= 'Z';
}
inline int IsLower(int c) {
    return c >= 'a' && c <= 'z';
}
inline int IsAlpha(int c) {
    return IsUpper(c) || IsLower(c);
}
inline int IsDigit(int c) {
    return c >= '0' && c <= '9';
}
inline int IsAlnum(int c) {
    return IsAlpha(c) || IsDigit(c);
}
inline int IsXDigit(int c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
inline int IsSpace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline int IsCntrl(int c) {
    return (c >= 0 && c < 0x20) || c == 0x7F;
}
inline int IsPrint(int c) {
    return c >= 0x20 && c < 0x7F;
}
inline int IsGraph(int c) {
    return c > 0x20 && c < 0x7F;
}
inline int IsPunct(int c) {
    return IsGraph(c) && !IsAlnum(c);
}
inline int IsAscii(int c) {
    return IsAsciiChar(c);
}
inline int ToUpper(int c) {
    return IsLower(c) ? c - 'a' + 'A' : c;
}
inline int ToLower(int c) {
    return IsUpper(c) ? c - 'A' + 'a' : c;
}
