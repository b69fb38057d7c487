// The part of the append-only log that both builds share: copying into the mapped
// view, which grows a step when it is full (mapNextStep is each build's own).
#include "platform/append_log.h"

#include <algorithm>
#include <cstring>

namespace platform {

bool AppendLog::append(const char* data, std::size_t size) {
    while (size > 0) {
        if (view_ == nullptr || end_ >= viewStart_ + viewSize_) {
            if (!mapNextStep()) return false;
        }
        std::size_t at = static_cast<std::size_t>(end_ - viewStart_);
        std::size_t piece = std::min(size, viewSize_ - at);
        std::memcpy(view_ + at, data, piece);
        end_ += piece;
        data += piece;
        size -= piece;
    }
    return true;
}

}  // namespace platform
