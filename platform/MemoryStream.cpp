#include "platform/MemoryStream.h"

#include <algorithm>
#include <cstring>

namespace mv::platform {

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    if (count <= 0 || position >= Size())
        return 0;
    const int64_t n = std::min(count, Size() - position);
    std::memcpy(buffer, data.data() + position, static_cast<size_t>(n));
    position += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const auto end = static_cast<size_t>(position + count);
    if (end > data.size())
        data.resize(end);
    std::memcpy(data.data() + position, buffer, static_cast<size_t>(count));
    position += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == TSeekOrigin::Begin     ? 0
                   : origin == TSeekOrigin::Current ? position
                                                    : Size();
    position = std::max<int64_t>(0, base + offset);
    return position;
}

} // namespace mv::platform
