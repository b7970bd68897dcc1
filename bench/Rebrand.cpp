// A whole rebrand build of the demo package (copy of the program, three stamping processes, the
// stack with its runtime, the database files) next to a plain recursive copy of the same trees,
// in the same run: the stamping processes should add next to nothing.

#include "bench/BenchSupport.h"
#include "kit/KoClass.h"
#include "launcher/builder/BrandChoices.h"
#include "launcher/builder/PackageBuilder.h"
#include "launcher/run/RunState.h"
#include "launcher/service/ServiceModes.h"
#include "tests/integration/PackageRun.h"

#include <QApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace quindle;
using namespace quindle::bench;
using namespace quindle::test;

int main(int argc, char** argv) {
    const std::string root = MakePrivateRoot();
    const std::string home = root + "/home";
    std::filesystem::create_directories(home + "/Documents");
    setenv("HOME", home.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The finished folder is "opened" by an opener that does nothing.
    const std::string bin = root + "/bin";
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nexit 0\n";
    chmod((bin + "/xdg-open").c_str(), 0755);
    setenv("PATH", (bin + ":" + std::getenv("PATH")).c_str(), 1);
    QApplication app(argc, argv);

    PackageCopy demo;
    TRunState state;
    state.DataDir = root + "/data";
    std::filesystem::create_directories(state.DataDir);
    state.WriteBrandDefaults();
    const TPackageSources sources{demo.Program(),
                                  demo.Dir() + "/",
                                  state.BrandFile,
                                  state.DataDir,
                                  demo.Path("data"),
                                  {},
                                  {}};

    // What the stamping alone costs: the three processes on a fresh copy of the program.
    const std::string config = root + "/config.ini", stamped = root + "/runme";
    std::ofstream(config) << "[INI]\r\ntitle=\"Bench\"\r\nbrand=1";
    const std::string icon = QUINDLE_SOURCE_DIR "/resources/MainIcon.ico";
    const std::string splash = QUINDLE_SOURCE_DIR "/resources/Splash.png";

    const int rounds = 3;
    std::vector<double> build, copy, stamps, flushes;
    for (int i = 0; i < rounds; ++i) {
        const TBrandChoices choices = ReadBrandChoices(state.BrandFile);
        // Into an empty output folder, as the plain copy below goes into a new one: deleting
        // the last round's package is neither's work.
        std::filesystem::remove_all(home + "/Documents/OutQNL");
        sync();
        auto start = Clock::now();
        WritePackage(choices, sources);
        build.push_back(Ms(start));

        const std::string target = root + "/copy";
        std::filesystem::remove_all(target);
        sync();
        start = Clock::now();
        std::filesystem::create_directories(target);
        const auto options = std::filesystem::copy_options::recursive;
        for (const char* tree :
             {"bin", "data", "lib", "libexec", "plugins", "resources", "translations", "qt.conf"})
            std::filesystem::copy(demo.Path(tree), target + "/" + tree, options);
        copy.push_back(Ms(start));

        // What one stamped file's flush to the disk costs; each stamping process pays it once.
        {
            std::filesystem::copy_file(demo.Program(), stamped,
                                       std::filesystem::copy_options::overwrite_existing);
            const int fd = open(stamped.c_str(), O_WRONLY);
            start = Clock::now();
            fsync(fd);
            flushes.push_back(Ms(start));
            close(fd);
        }

        std::filesystem::copy_file(demo.Program(), stamped,
                                   std::filesystem::copy_options::overwrite_existing);
        sync();
        start = Clock::now();
        for (const auto& [mode, file] :
             {std::pair{"/splash", splash}, {"/icon", icon}, {"/config", config}})
            TKo::RunProgramAndWait(demo.Program(), ModeArguments(mode, stamped, file), "",
                                   SW_SHOWNORMAL);
        stamps.push_back(Ms(start));
    }
    std::printf("rebrand build of the demo package:         %8.1f ms\n", Median(build));
    std::printf("  of which the three stamping processes:   %8.1f ms\n", Median(stamps));
    std::printf("plain copy of the same trees:              %8.1f ms\n", Median(copy));
    std::printf("ratio:                                     %8.2f    (goal below 1.3)\n",
                Median(build) / Median(copy));
    const double withoutFlushes = Median(build) - 3 * Median(flushes);
    std::printf("  without the stamped file's three flushes: %7.1f ms, ratio %.2f\n",
                withoutFlushes, withoutFlushes / Median(copy));
    std::filesystem::remove_all(root);
    return 0;
}
