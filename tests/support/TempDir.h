// A fresh directory under the system's temporary directory for one test, removed with everything
// in it when the test ends; and small file helpers for the job tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mv::test {

class TTempDir
{
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return path; }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
    // The names in the directory, sorted (hidden temporary files included).
    std::vector<std::string> Names() const;

private:
    std::filesystem::path path;
};

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
// The same with the bytes in a string; ReadFile gives "" for a file that cannot be read.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);
// Whether the name exists, also as a dangling symlink.
bool Exists(const std::filesystem::path& path);

} // namespace mv::test
