#include "cli/Printable.h"

#include <cstdint>
#include <cstdio>

namespace mv::cli {

namespace {

// Length of the UTF-8 sequence at text[i] that stands for a printable character, 0 otherwise.
size_t PrintableSequence(const std::string& text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead >= 0x20 && lead < 0x7F)
        return 1;
    size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead >= 0xF5 || length == 0 || i + length > text.size())
        return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const uint32_t smallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    bool overlong = code < smallest[length];
    bool control = code >= 0x80 && code < 0xA0; // C1 controls steer some terminals
    bool surrogate = code >= 0xD800 && code < 0xE000;
    return overlong || control || surrogate || code > 0x10FFFF ? 0 : length;
}

} // namespace

std::string PrintableName(const std::string& name)
{
    std::string shown;
    for (size_t i = 0; i < name.size();) {
        size_t length = name[i] == '\\' ? 0 : PrintableSequence(name, i);
        if (length > 0) {
            shown.append(name, i, length);
            i += length;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(name[i]));
        shown += escaped;
        ++i;
    }
    return shown;
}

} // namespace mv::cli
