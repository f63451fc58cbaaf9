#include "tests/support/Vectors.h"

#include "tests/support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>

namespace mv::test {

namespace {

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::vector<TBlockVector> ReadVectorFile(const std::string& file)
{
    std::ifstream in(DataPath("vectors/" + file));
    if (!in)
        throw std::runtime_error("cannot read vector file " + file);
    std::vector<TBlockVector> out;
    TBlockVector current;
    std::string group, raw;
    int lineNo = 0;
    while (std::getline(in, raw)) {
        ++lineNo;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            throw std::runtime_error(file + ":" + std::to_string(lineNo) + ": no '='");
        const std::string name = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (current.line == 0)
            current.line = lineNo;
        if (name == "KEYBITS")
            current.keyBits = std::stoi(value);
        else if (name == "KEY")
            current.key = Hex(value);
        else if (name == "PT")
            current.plain = Hex(value);
        else if (name == "CT") {
            current.cipher = Hex(value);
            current.group = group;
            if (current.keyBits == 0)
                current.keyBits = static_cast<int32_t>(current.key.size() * 8);
            out.push_back(current);
            current = {};
        } else
            throw std::runtime_error(file + ":" + std::to_string(lineNo) + ": unknown " + name);
    }
    return out;
}

int CheckVectorFile(const std::string& file, mv::cipher::TMV_blockcipher& cipher)
{
    const auto vectors = ReadVectorFile(file);
    for (const auto& v : vectors) {
        SCOPED_TRACE(file + ":" + std::to_string(v.line) + " [" + v.group + "]");
        ASSERT_EQ(v.plain.size(), static_cast<size_t>(cipher.BlockBytes()));
        ASSERT_EQ(v.cipher.size(), v.plain.size());
        cipher.SetKey(v.key.data(), v.keyBits);
        std::vector<uint8_t> block = v.plain;
        cipher.EncryptBlock(block.data(), block.data());
        EXPECT_EQ(ToHex(block), ToHex(v.cipher));
        block = v.cipher;
        cipher.DecryptBlock(block.data(), block.data());
        EXPECT_EQ(ToHex(block), ToHex(v.plain));
    }
    return static_cast<int>(vectors.size());
}

} // namespace mv::test
