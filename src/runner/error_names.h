// The text of a ReturnCode for reports: the number and its name.
#pragma once

#include <string>

namespace runner {

// "32 ERROR_SHARING_VIOLATION"; dravik's own codes 666, 668 and 669 by their messages;
// a code without a known name as the bare number.
std::string CodeText(unsigned long long code);

}  // namespace runner
