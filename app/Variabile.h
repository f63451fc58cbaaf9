// The option globals every job reads, the text table of the current language and the plug-in
// table: one set per process (ProcessVariabile), handed to the main window's logic by reference
// so that every test can work on a fresh set of its own.
#pragma once

#include "engine/JobOptions.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mv::app {

// The 28 language-dependent texts, by their place in the table.
enum class TText : uint8_t
{
    UsedMemoryText,      // "Used memory : "
    EncryptTitle,        // "Encrypt"
    DecryptTitle,        // "Decrypt"
    ToolsTitle,          // "Tools"
    OptionsTitle,        // "Options"
    AboutTitle,          // "About"
    EncryptStartCaption, // "Encrypt !"
    DecryptStartCaption, // "Decrypt !"
    MsgNoEncryptInput,   // "Please select a file to encrypt !"
    MsgNoEncryptOutput,  // "Please select output file !"
    MsgSameInputOutput,  // "Input and output must not be the same !"
    MsgNoPassword,       // "Please enter password !"
    ConfirmCaption,      // "Confirm"
    ConfirmPrompt,       // "Please reenter your password : "
    MsgPasswordMismatch, // "Password retyped incorectly !"
    MsgNoDecryptInput,   // "Please select a file to decrypt !"
    MsgNoDecryptOutput,  // "Please select output path !"
    MsgNoHelpFile,       // "Help file not found! Try to reinstall Morvane."
    MsgOverwrite,        // "Output file already exists - Overwrite?"
    MsgInputMissing,     // "Input file doesn't exist !"
    MsgCannotOpenInput,  // "Unable to open input file"
    MsgInvalidFileType,  // "Invalid input file type !"
    MsgInvalidPassword,  // "Invalid password !"
    ElapsedText,         // "Elapsed time : "
    RemainingText,       // "Remaining time : "
    EncryptSpeedText,    // "Encryption speed : "
    DecryptSpeedText,    // "Decryption speed : "
    CompressedText,      // "Compressed to : "
    // The test of the output and the confirmation of a decryption (after the 28 texts above).
    TestingSpeedText,   // "Testing speed : "
    MsgTestFailed,      // "Test of the output file FAILED: ... Output: " + path
    MsgNotConfirmed,    // "The decrypted file could not be confirmed: ..."
    MsgNotConfirmedKept // the same, "... The container was kept (not wiped): " + path
};

inline constexpr size_t TextCount = 32;

using TTexts = std::array<std::string, TextCount>;

// One listed tool plug-in (app/Plugins.h lists and runs them).
struct TPlugin
{
    std::string LibraryPath;         // full path of the library file
    std::string DisplayName;         // D_NAME, at most MaxPluginName characters
    std::string EnglishDescription;  // D_ENG, at most MaxPluginDescription characters
    std::string RomanianDescription; // D_ROM, likewise
    bool operator==(const TPlugin&) const = default;
};

// The plug-in table holds 16 entries; a seventeenth library is not listed.
inline constexpr size_t MaxPlugins = 16;
inline constexpr size_t MaxPluginName = 64;
inline constexpr size_t MaxPluginDescription = 254;

struct TVariabile
{
    bool StopRequested = false;
    bool EncWipeInput = false;
    bool DecWipeInput = false;
    bool IncludePass = false;
    bool IncludeCRC = false;
    bool EncCompress = false;
    bool SelfExtract = false;
    bool SecureWipe = false;
    uint8_t CurrentLanguage = 0; // 0 English, 1 Romanian
    uint8_t AlgorithmIndex = 0;  // 0..5
    uint8_t CipherModeIndex = 0; // 0..3
    uint8_t PluginCount = 0;     // entries of Plugins in use, the items of lstTools
    std::string EncInputFile;
    std::string EncOutputFile;
    std::string DecInputFile;
    // The user's home directory (ending in "/") until a container or a folder is chosen; the
    // main window sets it when it is created.
    std::string DecOutputPath;
    // Filled by ApplyEnglishTexts / ApplyRomanianTexts; empty until a language is applied.
    TTexts Texts;
    // The listed plug-ins, entry i being item i of lstTools; filled once, at start-up.
    std::vector<TPlugin> Plugins;

    const std::string& Text(TText id) const { return Texts[static_cast<size_t>(id)]; }
    // The options of a job, as the jobs read them.
    engine::TJobOptions JobOptions() const;
};

// The program's one set.
TVariabile& ProcessVariabile();

} // namespace mv::app
