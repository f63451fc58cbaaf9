// A stream over a growable byte buffer held in memory.
#pragma once

#include "platform/Stream.h"

#include <cstdint>
#include <vector>

namespace mv::platform {

class TMemoryStream : public TStream
{
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : data(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data.size()); }

    const std::vector<uint8_t>& Bytes() const { return data; }

private:
    std::vector<uint8_t> data;
    int64_t position = 0;
};

} // namespace mv::platform
