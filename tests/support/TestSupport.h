// Helpers shared by the test programs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mv::test {

// Bytes from a hexadecimal text; spaces are skipped.
std::vector<uint8_t> Hex(const std::string& text);
std::string ToHex(const uint8_t* bytes, size_t count);
inline std::string ToHex(const std::vector<uint8_t>& bytes)
{
    return ToHex(bytes.data(), bytes.size());
}

// Path of a file under tests/data.
std::filesystem::path DataPath(const std::string& relative);

// Deterministic pseudo-random bytes (xorshift64*), so a failing case can be replayed.
std::vector<uint8_t> PseudoRandomBytes(size_t count, uint64_t seed);

// The threads of this process now (the entries of /proc/self/task).
size_t ThreadsOfProcess();
// True once this process has at most count threads. A joined thread leaves the process's list
// only a moment after the join returns, so this looks again for a while (seconds) before it
// gives false: a thread that was left running.
bool ThreadsDropTo(size_t count);

} // namespace mv::test
