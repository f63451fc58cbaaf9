// The options a job reads. In the app these are the option globals of the process, and the app
// passes its one set to every job; the terminal tool builds one from its command line.
#pragma once

#include <cstdint>
#include <string>

namespace mv::engine {

struct TJobOptions
{
    bool IncludePass = false;  // store the encrypted password check value
    bool IncludeCRC = false;   // store the CRC-32 of the input
    bool EncWipeInput = false; // wipe the input after a finished encryption
    bool DecWipeInput = false; // wipe the container after a finished decryption
    bool EncCompress = false;  // compressed body (the compressed jobs)
    bool SelfExtract = false;  // self-decrypting output (the SFX jobs)
    bool SecureWipe = false;   // three overwriting passes instead of one
    // Position in the user's algorithm list, 0..5 (Twofish, Rijndael, RC2, GOST, CAST-128,
    // Blowfish); any other value is an internal error.
    uint8_t AlgorithmIndex = 0;
    // Chaining mode, 0..3 (cmCBC, cmCFB8bit, cmCFBblock, cmOFB); any other value is an internal
    // error.
    uint8_t CipherModeIndex = 0;
    // The name stored in a new container instead of the input's own last element (standard input
    // has none); empty: the input's.
    std::string StoredName;
};

} // namespace mv::engine
