// Geometry of the password confirmation dialog, in pixels, computed from the average character
// cell of its font so that the dialog scales with the font the desktop gives it.
#pragma once

#include <string>

namespace mv::app {

// Width and height of a run of text, as the toolkit measures it in a font.
struct TTextExtent
{
    int Width = 0;
    int Height = 0;
};

// The average character cell: X is the width of the 52 letters A-Z a-z divided by 52 (remainder
// dropped), Y the height of that run.
struct TCharSize
{
    int X = 0;
    int Y = 0;
};

struct TRect
{
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TRect&) const = default;
};

struct TPasswordDialogLayout
{
    int ClientWidth = 0;
    int ClientHeight = 0;
    int PromptLeft = 0; // the prompt label is sized to its text
    int PromptTop = 0;
    TRect Edit; // Height 0: the edit field's own height
    TRect Ok;
    TRect Cancel;
    int MaxLength = 255; // characters the edit field accepts
};

// Everything a window implementation needs to build and run the dialog.
struct TPasswordDialog
{
    std::string Caption;
    std::string Prompt;
    std::string Value; // the field's initial text, all of it selected
    TPasswordDialogLayout Layout;
};

} // namespace mv::app
