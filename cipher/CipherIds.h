// The algorithm list: the user's order (AlgorithmIndex 0..5) and the ids stored in containers.
#pragma once

#include "cipher/CipherBase.h"

#include <memory>

namespace mv::cipher {

inline constexpr int AlgorithmCount = 6;

// Ids in the order of the user's list: Twofish, Rijndael, RC2, GOST, CAST-128, Blowfish.
inline constexpr int AlgorithmIds[AlgorithmCount] = {6, 9, 1, 8, 7, 5};

// Position in the user's list of a stored id, or -1 when the id names no cipher of the list.
int AlgorithmIndexOfId(int id);

// A fresh, not Ready cipher; nullptr for an index outside 0..5 or an unlisted id.
std::unique_ptr<TMV_blockcipher> CreateCipher(int algorithmIndex);
std::unique_ptr<TMV_blockcipher> CreateCipherById(int id);

struct TSelfTestEntry
{
    const char* name;
    bool (*run)();
};

// Every class's RunSelfTest: the six ciphers in list order, then SHA-1.
inline constexpr int SelfTestCount = AlgorithmCount + 1;
extern const TSelfTestEntry SelfTests[SelfTestCount];

} // namespace mv::cipher
