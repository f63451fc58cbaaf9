// The byte streams every file job and every cipher stream operation moves data through.
#pragma once

#include <cstdint>

namespace mv::platform {

enum class TSeekOrigin
{
    Begin,
    Current,
    End
};

class TStream
{
public:
    virtual ~TStream() = default;

    // Delivers up to count bytes; fewer only at the end of the stream.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes all count bytes or raises; returns count.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Moves the position and returns the new one.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size() = 0;

    int64_t Position() { return Seek(0, TSeekOrigin::Current); }
};

} // namespace mv::platform
