// The Rijndael (AES) key schedule shared by the two block implementations, and the kernels that
// run on the processor's AES instructions. Only RijndaelAesNi.cpp is compiled for those
// instructions; call its kernels only after TRijndaelAesNi::Supported() said yes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mv::cipher {

// Round key r is row r, four words used (the 128-bit block), word c the little-endian reading of
// round key bytes 4c..4c+3, so a row in memory is the round key's bytes in order. The decryption
// rows are those of the equivalent inverse cipher: rows 0 and Nr as for encryption, rows
// 1..Nr-1 after InvMixColumns, which is also the form the AES decryption instruction takes.
struct TRijndaelSchedule
{
    uint32_t EncKeys[15][8];
    uint32_t DecKeys[15][8];
};

// Every kernel takes the schedule and its round count (10, 12 or 14) and works like the
// portable one of the same name in ModeKernels.h; in == out is allowed.
struct TRijndaelAesNi
{
    // True when the processor offers the AES instructions (and SSE4.1, which this file is also
    // compiled for). Decided once.
    static bool Supported();

    static void EncryptBlock(const TRijndaelSchedule& keys, int rounds, const uint8_t* in,
                             uint8_t* out);
    static void DecryptBlock(const TRijndaelSchedule& keys, int rounds, const uint8_t* in,
                             uint8_t* out);

    static void CbcEncrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                           const uint8_t* in, uint8_t* out, size_t blocks);
    static void CbcDecrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                           const uint8_t* in, uint8_t* out, size_t blocks);
    static void CfbEncrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                           const uint8_t* in, uint8_t* out, size_t blocks);
    static void CfbDecrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                           const uint8_t* in, uint8_t* out, size_t blocks);
    static void Ofb(const TRijndaelSchedule& keys, int rounds, uint8_t* chain, const uint8_t* in,
                    uint8_t* out, size_t blocks);
    static void Cfb8Encrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                            const uint8_t* in, uint8_t* out, size_t count);
    static void Cfb8Decrypt(const TRijndaelSchedule& keys, int rounds, uint8_t* chain,
                            const uint8_t* in, uint8_t* out, size_t count);
};

} // namespace mv::cipher
