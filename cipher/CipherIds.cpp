#include "cipher/CipherIds.h"

#include "cipher/Blowfish.h"
#include "cipher/Cast128.h"
#include "cipher/Gost.h"
#include "cipher/RC2.h"
#include "cipher/Rijndael.h"
#include "cipher/Sha1.h"
#include "cipher/Twofish.h"

namespace mv::cipher {

static_assert(AlgorithmIds[0] == TMV_twofish::Id && AlgorithmIds[1] == TMV_rijndael::Id &&
              AlgorithmIds[2] == TMV_rc2::Id && AlgorithmIds[3] == TMV_gost::Id &&
              AlgorithmIds[4] == TMV_cast128::Id && AlgorithmIds[5] == TMV_blowfish::Id);

int AlgorithmIndexOfId(int id)
{
    for (int i = 0; i < AlgorithmCount; ++i)
        if (AlgorithmIds[i] == id)
            return i;
    return -1;
}

std::unique_ptr<TMV_blockcipher> CreateCipher(int algorithmIndex)
{
    switch (algorithmIndex) {
    case 0:
        return std::make_unique<TMV_twofish>();
    case 1:
        return std::make_unique<TMV_rijndael>();
    case 2:
        return std::make_unique<TMV_rc2>();
    case 3:
        return std::make_unique<TMV_gost>();
    case 4:
        return std::make_unique<TMV_cast128>();
    case 5:
        return std::make_unique<TMV_blowfish>();
    default:
        return nullptr;
    }
}

std::unique_ptr<TMV_blockcipher> CreateCipherById(int id)
{
    return CreateCipher(AlgorithmIndexOfId(id));
}

const TSelfTestEntry SelfTests[SelfTestCount] = {
    {TMV_twofish::Algorithm, &TMV_twofish::RunSelfTest},
    {TMV_rijndael::Algorithm, &TMV_rijndael::RunSelfTest},
    {TMV_rc2::Algorithm, &TMV_rc2::RunSelfTest},
    {TMV_gost::Algorithm, &TMV_gost::RunSelfTest},
    {TMV_cast128::Algorithm, &TMV_cast128::RunSelfTest},
    {TMV_blowfish::Algorithm, &TMV_blowfish::RunSelfTest},
    {TMV_sha1::Algorithm, &TMV_sha1::RunSelfTest},
};

} // namespace mv::cipher
