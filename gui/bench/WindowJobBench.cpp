// What the window costs a job: the same encryption run headless (the job, its host and the
// headless window) and through the real window (the same host on TQtWindow, the Status page shown
// and repainted, events processed after every step). Rounds alternate between the two so that
// both see the same page cache and clock; medians are reported.
//
//   window_job_bench [MiB=128] [rounds=5] [algorithm index 0..5=0]
//
// Without a display it runs on Qt's offscreen platform; under X (xvfb-run) on the real one.
#include "app/HeadlessWindow.h"
#include "app/MainForm.h"
#include "gui/QtWindow.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

using namespace mv;

app::TMainServices BenchServices(const std::filesystem::path& directory)
{
    app::TMainServices services;
    services.Jobs = app::DefaultJobTable();
    services.ProgramDirectory = directory;
    services.HomeDirectory = directory.string() + "/";
    services.TempDirectory = [directory] { return directory.string() + "/"; };
    services.ProgramVersion = [] { return std::string("bench"); };
    return services;
}

// Seconds for one encryption of input through window.
double RunOnce(app::TMainWindow& window, const std::filesystem::path& directory,
               const std::filesystem::path& input, int algorithm)
{
    app::TVariabile variabile;
    app::TMainForm form(window, variabile, BenchServices(directory));
    form.FormCreate({});
    variabile.AlgorithmIndex = static_cast<uint8_t>(algorithm);
    window.SetText("edtPassword", "bench password");
    const std::filesystem::path output = directory / "out.mvx";
    std::filesystem::remove(output);
    const auto start = std::chrono::steady_clock::now();
    const engine::TJobResult result =
        engine::EncryptFile(form.JobHost(), variabile.JobOptions(), input, output);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (result.Outcome != engine::TJobOutcome::Finished) {
        std::fprintf(stderr, "the job did not finish\n");
        std::exit(EXIT_FAILURE);
    }
    std::filesystem::remove(output);
    return seconds.count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int mebibytes = argc > 1 ? std::atoi(argv[1]) : 128;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int algorithm = argc > 3 ? std::atoi(argv[3]) : 0;

    const std::filesystem::path directory = std::filesystem::temp_directory_path() /
                                            ("morvane-window-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    const std::filesystem::path input = directory / "input.bin";
    {
        std::mt19937_64 random(7);
        std::vector<uint64_t> block(1 << 17);
        std::ofstream out(input, std::ios::binary);
        for (int i = 0; i < mebibytes; ++i) {
            for (uint64_t& word : block)
                word = random();
            out.write(reinterpret_cast<const char*>(block.data()), 1 << 20);
        }
    }

    gui::TQtWindow window;
    window.show();
    window.CenterOnScreen();
    QCoreApplication::processEvents();

    std::vector<double> headless, windowed;
    for (int round = 0; round < rounds; ++round) {
        app::THeadlessWindow plain;
        headless.push_back(RunOnce(plain, directory, input, algorithm));
        windowed.push_back(RunOnce(window, directory, input, algorithm));
        std::printf("round %d: headless %.3f s, window %.3f s\n", round + 1, headless.back(),
                    windowed.back());
    }
    const double size = mebibytes;
    const double a = size / Median(headless);
    const double b = size / Median(windowed);
    std::printf("platform %s, %d MiB, %d rounds, algorithm %d\n",
                qPrintable(QGuiApplication::platformName()), mebibytes, rounds, algorithm);
    std::printf("headless: %.1f MiB/s   window: %.1f MiB/s   window/headless: %.3f\n", a, b, b / a);
    std::filesystem::remove_all(directory);
    return 0;
}
