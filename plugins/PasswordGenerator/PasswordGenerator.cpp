// The password generator tool: length, character classes, a new password at every change, and a
// copy to the clipboard.
#include "PasswordGenerator/PasswordRules.h"
#include "plugins/MorvanePlugin.h"
#include "plugins/ToolHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace mv::plugins {

namespace {

// clang-format off
const TToolText Title = {"Password generator", "Generator de parole"};
const TToolText LengthText = {"Length", "Lungime"};
const TToolText LowerText = {"Lower-case letters (a-z)", "Litere mici (a-z)"};
const TToolText UpperText = {"Upper-case letters (A-Z)", "Litere mari (A-Z)"};
const TToolText DigitsText = {"Digits (0-9)", "Cifre (0-9)"};
const TToolText SymbolsText = {"Symbols (!#$%&...)", "Simboluri (!#$%&...)"};
const TToolText LookAlikeText = {"Leave out look-alikes (I l 1 O 0 o)",
                                 "Fara caractere asemanatoare (I l 1 O 0 o)"};
const TToolText GenerateText = {"Generate", "Genereaza"};
const TToolText CopyText = {"Copy", "Copiaza"};
const TToolText CloseText = {"Close", "Inchide"};
const TToolText CopiedText = {"Copied to the clipboard.", "Copiata in clipboard."};
const TToolText NoClassText = {"Choose at least one kind of character.",
                               "Alegeti cel putin un tip de caractere."};
// clang-format on

void RunDialog(QWidget* parent, unsigned char language)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(Title.In(language));

    auto* length = new QSpinBox(&dialog);
    length->setRange(MinPasswordLength, MaxPasswordLength);
    length->setValue(TPasswordRules{}.Length);
    auto* lower = new QCheckBox(LowerText.In(language), &dialog);
    auto* upper = new QCheckBox(UpperText.In(language), &dialog);
    auto* digits = new QCheckBox(DigitsText.In(language), &dialog);
    auto* symbols = new QCheckBox(SymbolsText.In(language), &dialog);
    auto* lookAlikes = new QCheckBox(LookAlikeText.In(language), &dialog);
    lower->setChecked(true);
    upper->setChecked(true);
    digits->setChecked(true);

    auto* password = new QLineEdit(&dialog);
    password->setReadOnly(true);
    password->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    password->setMinimumWidth(password->fontMetrics().horizontalAdvance(QString(40, 'M')));
    auto* status = new QLabel(&dialog);

    auto* generate = new QPushButton(GenerateText.In(language), &dialog);
    auto* copy = new QPushButton(CopyText.In(language), &dialog);
    auto* close = new QPushButton(CloseText.In(language), &dialog);
    generate->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(LengthText.In(language), length);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(generate);
    buttons->addWidget(copy);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    for (QCheckBox* box : {lower, upper, digits, symbols, lookAlikes})
        layout->addWidget(box);
    layout->addWidget(password);
    layout->addWidget(status);
    layout->addLayout(buttons);

    auto makePassword = [=] {
        TPasswordRules rules;
        rules.Length = length->value();
        rules.Classes =
            (lower->isChecked() ? ClassLower : 0u) | (upper->isChecked() ? ClassUpper : 0u) |
            (digits->isChecked() ? ClassDigits : 0u) | (symbols->isChecked() ? ClassSymbols : 0u);
        rules.AvoidLookAlikes = lookAlikes->isChecked();
        const std::string text = GeneratePassword(rules, SystemRandomBytes);
        password->setText(QString::fromStdString(text));
        status->setText(text.empty() ? NoClassText.In(language) : QString());
        copy->setEnabled(!text.empty());
    };
    QObject::connect(generate, &QPushButton::clicked, &dialog, makePassword);
    QObject::connect(length, &QSpinBox::valueChanged, &dialog, makePassword);
    for (QCheckBox* box : {lower, upper, digits, symbols, lookAlikes})
        QObject::connect(box, &QCheckBox::toggled, &dialog, makePassword);
    QObject::connect(copy, &QPushButton::clicked, &dialog, [=] {
        QGuiApplication::clipboard()->setText(password->text());
        status->setText(CopiedText.In(language));
    });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);

    makePassword();
    dialog.exec();
    password->clear();
}

} // namespace

} // namespace mv::plugins

extern "C" {

const char* D_NAME(void)
{
    return "Password generator";
}

const char* D_ENG(void)
{
    return "Makes random passwords of the length you choose from lower-case and upper-case "
           "letters, digits and symbols, and copies them to the clipboard.";
}

const char* D_ROM(void)
{
    return "Genereaza parole aleatoare de lungimea dorita din litere mici si mari, cifre si "
           "simboluri, si le copiaza in clipboard.";
}

void D_EXEC(const MorvaneApplication* application, unsigned char language)
{
    mv::plugins::RunTool(
        [&] { mv::plugins::RunDialog(mv::plugins::ParentWindow(application), language); });
}

} // extern "C"
