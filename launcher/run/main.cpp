// The program's entry point: a service mode, a relaunch of itself, or the interactive run.

#include "kit/KoClass.h"
#include "launcher/run/DispatchCommandLine.h"
#include "launcher/run/InteractiveLaunch.h"
#include "launcher/run/RunState.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

using namespace quindle;

int main(int argc, char** argv) {
    // Taken before anything can start a child: the start-up show command is ours alone.
    const std::uint16_t showCommand = TKo::GetStartupShowWindow();
    TKo::ExpandAppRelativePath("."); // the program folder becomes the current folder

    if (argc > 1) {
        try {
            DispatchCommandLine(std::vector<std::string>(argv + 1, argv + argc), argc, argv);
        } catch (const std::exception& e) {
            // What a mode does not catch ends it with the message and a failure code.
            std::fprintf(stderr, "%s\n", e.what());
            std::fflush(stderr);
            std::_Exit(1);
        }
        TKo::TerminateSelf();
    }
    if (showCommand < kRelaunchOffset) {
        TKo::ShellOpenProgram(TKo::GetAppFileName(),
                              static_cast<std::uint16_t>(showCommand + kRelaunchOffset));
        TKo::TerminateSelf();
    }
    return RunInteractiveLaunch(argc, argv, showCommand);
}
