// One value bound to a "?" of a statement: a 32-bit integer, or a text passed on byte for byte.
// Values are always bound, never pasted into statement text, so no value can change a statement.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

// The text must outlive the call that binds it.
using SqlParameter = std::variant<std::int32_t, std::string_view>;
