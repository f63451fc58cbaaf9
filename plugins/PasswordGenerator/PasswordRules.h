// What the password generator makes: a password of a chosen length drawn uniformly from the
// chosen character classes, each chosen class present at least once. No toolkit in here, so the
// rules are tested on their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace mv::plugins {

enum TCharacterClass : unsigned
{
    ClassLower = 1,
    ClassUpper = 2,
    ClassDigits = 4,
    ClassSymbols = 8
};

inline constexpr int MinPasswordLength = 4;
inline constexpr int MaxPasswordLength = 128;

struct TPasswordRules
{
    int Length = 20;
    unsigned Classes = ClassLower | ClassUpper | ClassDigits;
    // Leaves out characters easily read as one another: I l 1 O 0 o.
    bool AvoidLookAlikes = false;
};

// Fills count bytes with unpredictable values.
using TRandomBytes = std::function<void(uint8_t* bytes, size_t count)>;

// The characters of one class under rules (empty when the class is not chosen).
std::string ClassCharacters(unsigned characterClass, const TPasswordRules& rules);
// A password under rules, the length clamped to MinPasswordLength..MaxPasswordLength; empty when
// no class is chosen. Every character is an unbiased draw (bytes outside the largest multiple of
// the alphabet's size are drawn again), and a password missing a chosen class is drawn again.
std::string GeneratePassword(const TPasswordRules& rules, const TRandomBytes& random);
// The kernel's random generator (getrandom).
void SystemRandomBytes(uint8_t* bytes, size_t count);

} // namespace mv::plugins
