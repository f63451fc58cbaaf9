#include "tests/support/TestSupport.h"

#include <chrono>
#include <stdexcept>
#include <thread>

namespace mv::test {

std::vector<uint8_t> Hex(const std::string& text)
{
    std::vector<uint8_t> out;
    int high = -1;
    for (char ch : text) {
        int v;
        if (ch >= '0' && ch <= '9')
            v = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            v = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            v = ch - 'A' + 10;
        else if (ch == ' ' || ch == ':' || ch == '\t')
            continue;
        else
            throw std::invalid_argument("not hexadecimal: " + text);
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high * 16 + v));
            high = -1;
        }
    }
    if (high >= 0)
        throw std::invalid_argument("odd number of hex digits: " + text);
    return out;
}

std::string ToHex(const uint8_t* bytes, size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < count; ++i) {
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 15];
    }
    return s;
}

std::filesystem::path DataPath(const std::string& relative)
{
    return std::filesystem::path(MORVANE_TEST_DATA) / relative;
}

std::vector<uint8_t> PseudoRandomBytes(size_t count, uint64_t seed)
{
    std::vector<uint8_t> out(count);
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (size_t i = 0; i < count; ++i) {
        x ^= x >> 12;
        x ^= x << 25;
        x ^= x >> 27;
        out[i] = static_cast<uint8_t>((x * 0x2545F4914F6CDD1Dull) >> 56);
    }
    return out;
}

size_t ThreadsOfProcess()
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

bool ThreadsDropTo(size_t count)
{
    for (int look = 0; look < 5000; ++look) {
        if (ThreadsOfProcess() <= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

} // namespace mv::test
