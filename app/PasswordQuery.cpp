#include "app/PasswordQuery.h"

#include "cipher/BitOps.h"

#include <cmath>
#include <cstdint>

namespace mv::app {

namespace {

// number * numerator / denominator in one step, to the nearest integer, halves away from zero.
int MulDiv(int number, int numerator, int denominator)
{
    const int64_t product = static_cast<int64_t>(number) * numerator;
    return static_cast<int>(std::llround(static_cast<long double>(product) / denominator));
}

} // namespace

TCharSize AverageCharSize(TTextExtent runExtent)
{
    return {runExtent.Width / 52, runExtent.Height};
}

TCharSize AverageCharSize(TMainWindow& window)
{
    return AverageCharSize(window.DialogTextExtent(AverageCharRun));
}

TPasswordDialogLayout PasswordDialogLayout(TCharSize cell)
{
    auto h = [&](int quarters) { return MulDiv(quarters, cell.X, 4); };
    auto v = [&](int eighths) { return MulDiv(eighths, cell.Y, 8); };
    TPasswordDialogLayout layout;
    layout.ClientWidth = h(180);
    layout.ClientHeight = v(63);
    layout.PromptLeft = h(8);
    layout.PromptTop = v(8);
    layout.Edit = {layout.PromptLeft, v(19), h(164), 0};
    layout.Ok = {h(38), v(41), h(50), v(14)};
    layout.Cancel = {h(92), v(41), h(50), v(14)};
    return layout;
}

bool PasswordQuery(TMainWindow& window, const std::string& caption, const std::string& prompt,
                   std::string& value)
{
    TPasswordDialog dialog{caption, prompt, value, PasswordDialogLayout(AverageCharSize(window))};
    std::optional<std::string> answer = window.RunPasswordDialog(dialog);
    if (!dialog.Value.empty())
        cipher::SecureFill(dialog.Value.data(), dialog.Value.size(), 0);
    if (!answer)
        return false;
    value = *answer;
    cipher::SecureFill(answer->data(), answer->size(), 0);
    return true;
}

} // namespace mv::app
