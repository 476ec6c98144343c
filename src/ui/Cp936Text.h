// The one place where text changes encoding: the program's data are code page 936 (GBK) bytes, the widgets speak
// Unicode. Everything that enters or leaves a widget goes through these two functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QString>

// Decodes CP936 bytes for display. A byte that does not start a valid character shows as U+FFFD; the rest of the
// text still shows.
QString fromCp936(std::string_view bytes);

// Encodes text typed into a widget, or nothing when some character has no CP936 form: such a text is refused, never
// stored damaged.
std::optional<std::string> toCp936(const QString& text);

// The program's own texts (literals in the source) as CP936 bytes; a character CP936 lacks would be a programming
// error, and comes out as "?".
std::string cp936(const QString& text);
