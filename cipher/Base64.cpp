#include "cipher/Base64.h"

namespace mv::cipher {

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint8_t PadMarker = 255;

// Characters outside the alphabet are not produced by the encoder; they read as 0.
uint8_t ValueOf(char ch)
{
    if (ch >= 'A' && ch <= 'Z')
        return static_cast<uint8_t>(ch - 'A');
    if (ch >= 'a' && ch <= 'z')
        return static_cast<uint8_t>(ch - 'a' + 26);
    if (ch >= '0' && ch <= '9')
        return static_cast<uint8_t>(ch - '0' + 52);
    if (ch == '+')
        return 62;
    if (ch == '/')
        return 63;
    if (ch == '=')
        return PadMarker;
    return 0;
}

} // namespace

int32_t EncodeBase64(const void* source, char* target, int32_t count)
{
    if (count <= 0)
        return 0;
    const auto* s = static_cast<const uint8_t*>(source);
    char* t = target;
    int32_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const uint8_t b0 = s[i], b1 = s[i + 1], b2 = s[i + 2];
        *t++ = Alphabet[b0 >> 2];
        *t++ = Alphabet[((b0 & 3) << 4) | (b1 >> 4)];
        *t++ = Alphabet[((b1 & 15) << 2) | (b2 >> 6)];
        *t++ = Alphabet[b2 & 63];
    }
    if (count - i == 1) {
        const uint8_t b0 = s[i];
        *t++ = Alphabet[b0 >> 2];
        *t++ = Alphabet[(b0 & 3) << 4];
        *t++ = '=';
        *t++ = '=';
    } else if (count - i == 2) {
        const uint8_t b0 = s[i], b1 = s[i + 1];
        *t++ = Alphabet[b0 >> 2];
        *t++ = Alphabet[((b0 & 3) << 4) | (b1 >> 4)];
        *t++ = Alphabet[(b1 & 15) << 2];
        *t++ = '=';
    }
    return static_cast<int32_t>(t - target);
}

int32_t DecodeBase64(const char* source, void* target, int32_t count)
{
    if (count < 4)
        return 0;
    auto* t = static_cast<uint8_t*>(target);
    int32_t written = 0;
    for (int32_t g = 0; g < count / 4; ++g) {
        const uint8_t a = ValueOf(source[4 * g]), b = ValueOf(source[4 * g + 1]),
                      c = ValueOf(source[4 * g + 2]), d = ValueOf(source[4 * g + 3]);
        t[written++] = static_cast<uint8_t>((a * 4 + (b >> 4)) & 255);
        if (c != PadMarker && d == PadMarker) {
            t[written++] = static_cast<uint8_t>((b * 16 + (c >> 2)) & 255);
        } else if (c == PadMarker) {
            // one byte from this group
        } else {
            t[written++] = static_cast<uint8_t>((b * 16 + (c >> 2)) & 255);
            t[written++] = static_cast<uint8_t>((c * 64 + d) & 255);
        }
    }
    return written;
}

std::string EncodeBase64Text(const std::string& bytes)
{
    std::string text((bytes.size() + 2) / 3 * 4, '\0');
    EncodeBase64(bytes.data(), text.data(), static_cast<int32_t>(bytes.size()));
    return text;
}

std::string DecodeBase64Text(const std::string& text)
{
    std::string bytes(text.size() / 4 * 3, '\0');
    bytes.resize(static_cast<size_t>(
        DecodeBase64(text.data(), bytes.data(), static_cast<int32_t>(text.size()))));
    return bytes;
}

} // namespace mv::cipher
