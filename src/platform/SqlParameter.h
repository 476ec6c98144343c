// One value bound to a "?" of a statement: an integer (32 or 64 bits), or a text passed on byte for byte.
// Values are always bound, never pasted into statement text, so no value can change a statement.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

// The text must outlive the call that binds it.
using SqlParameter = std::variant<std::int32_t, std::int64_t, std::string_view>;
