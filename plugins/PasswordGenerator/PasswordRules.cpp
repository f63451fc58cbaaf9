#include "PasswordGenerator/PasswordRules.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <sys/random.h>

namespace mv::plugins {

namespace {

constexpr unsigned AllClasses[] = {ClassLower, ClassUpper, ClassDigits, ClassSymbols};
constexpr const char* LookAlikes = "Il1O0o";

// A uniform index below size from the random bytes: a byte at or above the largest multiple of
// size below 256 would favour the small indexes, so it is drawn again.
size_t UniformIndex(size_t size, const TRandomBytes& random)
{
    const unsigned limit = 256 - 256 % static_cast<unsigned>(size);
    for (;;) {
        uint8_t byte = 0;
        random(&byte, 1);
        if (byte < limit)
            return byte % size;
    }
}

} // namespace

std::string ClassCharacters(unsigned characterClass, const TPasswordRules& rules)
{
    if (!(rules.Classes & characterClass))
        return {};
    std::string characters;
    switch (characterClass) {
    case ClassLower:
        characters = "abcdefghijklmnopqrstuvwxyz";
        break;
    case ClassUpper:
        characters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        break;
    case ClassDigits:
        characters = "0123456789";
        break;
    // No quotes, backslash, backtick or space: the password survives a shell and a form field.
    case ClassSymbols:
        characters = "!#$%&()*+,-./:;<=>?@[]^_{|}~";
        break;
    default:
        return {};
    }
    if (rules.AvoidLookAlikes)
        std::erase_if(characters, [](char c) {
            return std::string_view(LookAlikes).find(c) != std::string_view::npos;
        });
    return characters;
}

std::string GeneratePassword(const TPasswordRules& rules, const TRandomBytes& random)
{
    std::string alphabet;
    int classCount = 0;
    for (unsigned characterClass : AllClasses) {
        const std::string characters = ClassCharacters(characterClass, rules);
        alphabet += characters;
        classCount += characters.empty() ? 0 : 1;
    }
    if (alphabet.empty())
        return {};
    const int length = std::clamp(rules.Length, MinPasswordLength, MaxPasswordLength);
    std::string password(static_cast<size_t>(length), ' ');
    for (;;) {
        for (char& c : password)
            c = alphabet[UniformIndex(alphabet.size(), random)];
        int present = 0;
        for (unsigned characterClass : AllClasses) {
            const std::string characters = ClassCharacters(characterClass, rules);
            present +=
                !characters.empty() && password.find_first_of(characters) != std::string::npos;
        }
        if (present == classCount || classCount > length)
            return password;
    }
}

void SystemRandomBytes(uint8_t* bytes, size_t count)
{
    while (count > 0) {
        const ssize_t got = getrandom(bytes, count, 0);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error("the system's random generator is not available");
        }
        bytes += got;
        count -= static_cast<size_t>(got);
    }
}

} // namespace mv::plugins
