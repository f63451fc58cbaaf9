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
        const auto blockBytes = static_cast<size_t>(cipher.BlockBytes());
        if (v.plain.size() != blockBytes || v.cipher.size() != blockBytes) {
            ADD_FAILURE() << "record does not hold one block of " << blockBytes << " bytes";
            continue;
        }
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

int CheckHashVectorFile(const std::string& file, mv::cipher::TMV_hash& hash)
{
    std::ifstream in(DataPath("vectors/" + file));
    if (!in)
        throw std::runtime_error("cannot read vector file " + file);
    std::string group, raw, message;
    long repeat = 1;
    int lineNo = 0, records = 0, recordLine = 0;
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
        // A text message keeps its inner spaces; only the one space after '=' is dropped.
        std::string value = line.substr(eq + 1);
        if (!value.empty() && value[0] == ' ')
            value.erase(0, 1);
        if (recordLine == 0)
            recordLine = lineNo;
        if (name == "TEXT") {
            message = value;
        } else if (name == "MSG") {
            const auto bytes = Hex(value);
            message.assign(bytes.begin(), bytes.end());
        } else if (name == "REPEAT") {
            repeat = std::stol(value);
        } else if (name == "MD") {
            SCOPED_TRACE(file + ":" + std::to_string(recordLine) + " [" + group + "]");
            const auto expected = Hex(value);
            std::vector<uint8_t> digest(static_cast<size_t>(hash.DigestBits() / 8));
            hash.Start();
            // Vary the slice sizes so block boundaries fall inside and between calls.
            std::string all;
            for (long i = 0; i < repeat; ++i)
                all += message;
            size_t pos = 0, slice = 1;
            while (pos < all.size()) {
                const size_t n = std::min(slice, all.size() - pos);
                hash.AddBytes(all.data() + pos, static_cast<int32_t>(n));
                pos += n;
                slice = slice * 3 % 1031 + 1;
            }
            hash.Finish(digest.data());
            EXPECT_EQ(ToHex(digest), ToHex(expected));
            ++records;
            message.clear();
            repeat = 1;
            recordLine = 0;
        } else {
            throw std::runtime_error(file + ":" + std::to_string(lineNo) + ": unknown " + name);
        }
    }
    return records;
}

} // namespace mv::test
