#include "launcher/service/ServiceModes.h"
#include "kit/KoClass.h"
#include "kit/Paths.h"
#include "kit/Strings.h"
#include "launcher/service/Downsize.h"

#include <chrono>
#include <thread>

namespace quindle {
namespace {

void Sleep(int Milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

void ClearReadOnly(const std::string& File) {
    if (FileExists(File))
        TKo::SetReadOnlyTree(File, false);
}

// Waits until no one has Target open (a read-only target is made writable on the way), then
// runs Update. The wait has no end: a target that stays locked keeps the mode waiting.
template <typename Update> void WhenFree(const std::string& Target, Update update) {
    while (TKo::IsFileInUse(Target)) {
        ClearReadOnly(Target);
        // Asked to test again at once; a millisecond keeps the wait from taking a whole core
        // for as long as the target runs.
        Sleep(1);
    }
    update();
}

void RunSetup(const std::vector<std::string>& Args) {
    const std::string& target = Args[1];
    try {
        while (TKo::IsFileInUse(target)) {
            try {
                Sleep(60);
                ClearReadOnly(target);
            } catch (...) {
                // Still held by the program that is ending: tried again on the next pass.
            }
        }
        // Each resource is changed by a process of its own, one after the other.
        const std::string self = TKo::GetAppFileName();
        const char* modes[] = {"/config", "/icon", "/splash"};
        for (std::size_t i = 0; i < 3; ++i) {
            const std::size_t at = 2 + i;
            if (Args.size() > at && FileExists(Args[at]))
                TKo::RunProgramAndWait(self, ModeArguments(modes[i], target, Args[at]), "",
                                       SW_SHOWNORMAL);
        }
        if (Args.size() < 6)
            TKo::ShellOpenProgram(target, SW_SHOW);
    } catch (...) {
        // Every step of the chain is on its own: nothing is reported.
    }
}

} // namespace

TArguments ModeArguments(const std::string& Mode, const std::string& Target,
                         const std::string& File) {
    return {Mode, Target, File};
}

void RunServiceMode(const std::vector<std::string>& Args) {
    if (Args.empty())
        return;
    // The mode words are recognised whatever their case; a word that names no mode, or one with
    // too few arguments, does nothing at all.
    const std::string mode = LowerCase(Args[0]);
    const std::size_t count = Args.size();
    if (count >= 7 && mode == "downsize")
        RunDownsize(std::vector<std::string>(Args.begin() + 1, Args.end()), TKo::GetAppPath(),
                    TKo::GetAppFileName());
    if (mode == "/setup" && count >= 2 && FileExists(Args[1])) {
        RunSetup(Args);
        return;
    }
    if (count < 3 || !FileExists(Args[1]) || !FileExists(Args[2]))
        return;
    const std::string& target = Args[1];
    const std::string& source = Args[2];
    if (mode == "/config")
        WhenFree(target, [&] {
            TKo::UpdateExeResource(target, "RES_CONFIG_INI", TKo::ReadTextFile(source));
        });
    else if (mode == "/icon")
        WhenFree(target, [&] { TKo::UpdateExeIcon(target, source); });
    else if (mode == "/splash")
        WhenFree(target,
                 [&] { TKo::UpdateExeResource(target, "RES_SPLASH", TKo::ReadTextFile(source)); });
}

} // namespace quindle
