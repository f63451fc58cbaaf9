// Base64 of RFC 4648 without line breaks, for the text forms of the ciphers.
#pragma once

#include <cstdint>
#include <string>

namespace mv::cipher {

// Writes (count + 2) / 3 * 4 characters; returns that number.
int32_t EncodeBase64(const void* source, char* target, int32_t count);
// Decodes count / 4 groups (trailing characters are ignored); returns the bytes written. The
// target needs count / 4 * 3 bytes.
int32_t DecodeBase64(const char* source, void* target, int32_t count);

std::string EncodeBase64Text(const std::string& bytes);
std::string DecodeBase64Text(const std::string& text);

} // namespace mv::cipher
