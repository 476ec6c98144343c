// The web addresses the search panel opens: the two engines' searches and the vendor's pages.
#pragma once

#include <string>

// The search for `text` (CP936 bytes, percent-encoded but not trimmed), or the engine's start page when `text` is
// empty.
std::string googleSearchAddress(const std::string& text);
std::string baiduSearchAddress(const std::string& text);

// A page of the vendor's site, by its path ("/post/4.html").
std::string vendorPage(const char* path);

inline constexpr char kMassMailingPage[] = "/post/4.html";
inline constexpr char kEmailSearchPage[] = "/post/Brennic.html";
inline constexpr char kProductPage[] = "/post/Corvane.html";
