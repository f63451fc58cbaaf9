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

// The first line of the file, without its line end ("\n" or "\r\n"). False with a message
// naming the file and the reason when the file cannot be read.
bool ReadPasswordFile(const std::string& path, TSecretText& password, std::string& error);

// The password from the file when one is named, else from the terminal, asked twice when
// confirm is set. False with the message to show when there is none to be had.
bool ObtainPassword(const std::string& passwordFile, bool confirm, TSecretText& password,
                    std::string& error);

} // namespace mv::cli
