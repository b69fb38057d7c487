// Decimal numbers on command lines: digits only, no sign, no range check; the value
// wraps modulo 2^32 (or 2^16). An empty text is good and gives 0.
#pragma once

#include <cstdint>
#include <string_view>

#include "interpreter/constants.h"

// 0 with the value, or 666 with value 0 when any byte is not a digit.
ReturnCode ParseDecimal32(std::string_view text, std::uint32_t& value);
ReturnCode ParseDecimal16(std::string_view text, std::uint16_t& value);
