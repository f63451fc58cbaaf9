// Shared by the app layer's tests: a fresh temporary directory, a fresh set of option globals, the
// headless window and a main form on them whose jobs are recorders, so no test touches the real
// home directory, writes beside the real program or runs a job it did not ask for.
#pragma once

#include "app/HeadlessWindow.h"
#include "app/MainForm.h"
#include "app/Variabile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace mv::test {

inline void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a recorder job saw.
struct TJobCall
{
    std::string Job;
    std::string Input;
    std::string Output;
    engine::TJobOptions Options;
};

// Raised by the test's terminate routine instead of ending the test program.
class ETerminated : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TAppFixture : public ::testing::Test
{
protected:
    // The plug-in count the LoadPlugins stand-in reports.
    int pluginCount = 0;
    std::vector<TJobCall> calls;
    std::vector<bool> associations;
    std::vector<std::string> pagesShown;
    TTempDir programDir;
    TTempDir homeDir;
    TTempDir tempDir;
    // The user's configuration home ($XDG_CONFIG_HOME).
    TTempDir configDir;
    mv::app::TVariabile variabile;
    mv::app::THeadlessWindow window;
    std::unique_ptr<mv::app::TMainForm> form;

    app::TJobEntry Recorder(const std::string& name)
    {
        return
            [this, name](engine::TJobHost&, const engine::TJobOptions& options,
                         const std::filesystem::path& input, const std::filesystem::path& output) {
                calls.push_back({name, input.string(), output.string(), options});
                // A job that finished and whose result was confirmed: the window adds nothing.
                engine::TJobResult result;
                result.Verified = true;
                return result;
            };
    }

    std::string Home() const { return homeDir.Path().string() + "/"; }
    std::string Temp() const { return tempDir.Path().string() + "/"; }

    app::TMainServices Services()
    {
        app::TMainServices services;
        services.Jobs.EncryptFile = Recorder("EncryptFile");
        services.Jobs.EncryptCompressedFile = Recorder("EncryptCompressedFile");
        services.Jobs.EncryptToSelfExtractor = Recorder("EncryptToSelfExtractor");
        services.Jobs.EncryptCompressedToSelfExtractor =
            Recorder("EncryptCompressedToSelfExtractor");
        services.Jobs.DecryptFile = Recorder("DecryptFile");
        services.ProgramDirectory = programDir.Path();
        services.ConfigHome = configDir.Path();
        services.HomeDirectory = Home();
        services.TempDirectory = [this] { return Temp(); };
        services.ProgramVersion = [] { return std::string("0.5.1.70"); };
        services.LoadPlugins = [this](app::TMainWindow&, app::TVariabile& v) {
            v.PluginCount = static_cast<uint8_t>(pluginCount);
        };
        services.Associate = [this](bool on) { associations.push_back(on); };
        services.PageShown = [this](const std::string& page) { pagesShown.push_back(page); };
        services.Terminate = [](const std::string& text) { throw ETerminated(text); };
        return services;
    }

    // The settings file of a portable copy, beside the program: used when it is there first.
    std::filesystem::path SettingsFile() const { return programDir / "Morvane.ini"; }
    // The user's settings file, used otherwise.
    std::filesystem::path UserSettingsFile() const
    {
        return configDir.Path() / "Morvane" / "Morvane.ini";
    }

    // The main form as the program creates it, with services (the recorders by default).
    void Create(const std::vector<std::string>& arguments = {})
    {
        CreateWith(Services(), arguments);
    }
    void CreateWith(app::TMainServices services, const std::vector<std::string>& arguments = {})
    {
        form = std::make_unique<app::TMainForm>(window, variabile, std::move(services));
        form->FormCreate(arguments);
    }

    std::vector<std::string> MessageTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& message : window.Messages())
            texts.push_back(message.Text);
        return texts;
    }
};

} // namespace mv::test
