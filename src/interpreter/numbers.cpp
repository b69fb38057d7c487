#include "interpreter/numbers.h"

ReturnCode ParseDecimal32(std::string_view text, std::uint32_t& value) {
    std::uint32_t result = 0;
    bool bad = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            result = result * 10u + static_cast<std::uint32_t>(c - '0');
        else
            bad = true;
    }
    value = bad ? 0 : result;
    return bad ? kSyntaxError : 0;
}

ReturnCode ParseDecimal16(std::string_view text, std::uint16_t& value) {
    std::uint32_t wide = 0;
    ReturnCode rc = ParseDecimal32(text, wide);
    value = static_cast<std::uint16_t>(wide);  // 10x + d mod 2^16 depends only on x mod 2^16
    return rc;
}
