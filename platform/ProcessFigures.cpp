#include "platform/ProcessFigures.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace mv::platform {

namespace {

// The next decimal number of text from position, skipping spaces before it.
std::optional<uint64_t> NextNumber(std::string_view text, size_t& position)
{
    while (position < text.size() && (text[position] == ' ' || text[position] == '\t'))
        ++position;
    uint64_t value = 0;
    const char* begin = text.data() + position;
    const char* end = text.data() + text.size();
    auto [next, error] = std::from_chars(begin, end, value);
    if (error != std::errc() || next == begin)
        return std::nullopt;
    position += static_cast<size_t>(next - begin);
    return value;
}

} // namespace

std::optional<uint64_t> ResidentSetFromStatm(std::string_view statm, uint64_t pageSize)
{
    size_t position = 0;
    if (!NextNumber(statm, position)) // total program size
        return std::nullopt;
    std::optional<uint64_t> residentPages = NextNumber(statm, position);
    if (!residentPages || pageSize == 0)
        return std::nullopt;
    return *residentPages * pageSize;
}

std::optional<uint64_t> ResidentSetBytes()
{
    std::ifstream in("/proc/self/statm");
    if (!in)
        return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return std::nullopt;
    return ResidentSetFromStatm(text, static_cast<uint64_t>(pageSize));
}

} // namespace mv::platform
