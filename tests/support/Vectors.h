// The one runner of the block-cipher known-answer files in tests/data/vectors/.
//
// File format: '#' starts a comment line; "[name]" opens a group and names the standard the
// following records come from; a record is a run of NAME = HEX lines:
//   KEYBITS = 128        (optional, decimal; default: 8 x the key's byte count)
//   KEY = 000102...
//   PT = ...
//   CT = ...             (ends the record)
// Every record is checked both ways: EncryptBlock(PT) == CT and DecryptBlock(CT) == PT.
// Hash files use records of
//   TEXT = abc           (the message as text, up to the line's end) or MSG = <hex>
//   REPEAT = 1000000     (optional: the message repeated, added in slices of varying size)
//   MD = <hex digest>    (ends the record)
#pragma once

#include "cipher/CipherBase.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mv::test {

struct TBlockVector
{
    std::string group;
    int line = 0;
    int32_t keyBits = 0;
    std::vector<uint8_t> key, plain, cipher;
};

// Reads tests/data/vectors/<file>; raises on a malformed line.
std::vector<TBlockVector> ReadVectorFile(const std::string& file);

// Checks every record on the given cipher; reports each mismatch as a test failure naming the
// group and line. Returns the number of records checked.
int CheckVectorFile(const std::string& file, mv::cipher::TMV_blockcipher& cipher);

// Checks every record of a hash vector file; returns the number of records checked.
int CheckHashVectorFile(const std::string& file, mv::cipher::TMV_hash& hash);

} // namespace mv::test
