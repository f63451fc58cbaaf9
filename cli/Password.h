// Where a job's password comes from: the first line of a password file, else the terminal with
// echo off. Never the command line, where every user of the machine could read it.
#pragma once

#include "cli/Terminal.h"

#include <string>

namespace mv::cli {

inline constexpr const char* PasswordPrompt = "Password : ";
inline constexpr const char* ConfirmPrompt = "Please reenter your password : ";
inline constexpr const char* MsgPasswordMismatch = "Password retyped incorectly !";
inline constexpr const char* MsgNoPassword = "Please enter password !";
inline constexpr const char* MsgNoTerminal =
    "No password: no terminal to ask on; give it with --password-file FILE";
// A terminal in line mode passes at most 4095 bytes of a line and silently drops the rest: a line
// that long may have been cut, and a cut password would lock the file away for good.
inline constexpr size_t MaxTypedPassword = 4094;
inline constexpr const char* MsgPasswordTooLong =
    "The password is too long for a terminal: it passes at most 4094 bytes of a line and drops "
    "the rest; give a longer password with --password-file FILE";
// How often a retyped password may differ before the call gives up.
inline constexpr int PasswordAttempts = 3;

// The first line of the file, without its line end ("\n" or "\r\n"). False with a message
// naming the file and the reason when the file cannot be read.
bool ReadPasswordFile(const std::string& path, TSecretText& password, std::string& error);

// The password from the file when one is named, else from the terminal, asked twice when
// confirm is set; when the two differ, the terminal says so and both are asked again, up to
// PasswordAttempts times. False with the message to show when there is none to be had (after a
// terminating signal: check platform::TerminationSignal()).
bool ObtainPassword(const std::string& passwordFile, bool confirm, TSecretText& password,
                    std::string& error);

} // namespace mv::cli
