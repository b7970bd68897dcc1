#pragma once

// The parts of the program that need the window toolkit live in modules of their own, in lib/
// beside the program, loaded only by the runs that show a window: the interactive run, and the
// splash picture. Service modes and the plain start that only starts the program again load
// neither, and so none of the toolkit's libraries.

#include <cstdint>
#include <string>

#ifdef _WIN32
#define QUINDLE_MODULE_ENTRY extern "C" __declspec(dllexport)
#else
#define QUINDLE_MODULE_ENTRY extern "C" __attribute__((visibility("default")))
#endif

namespace quindle {

struct TPreparedRun;

// The entries the modules export, by name. The window takes over the run the program prepared.
using TWindowEntry = int (*)(int argc, char** argv, std::uint16_t StartupShowCommand,
                             TPreparedRun& Prepared);
using TSplashEntry = void (*)(const char* ConfigFile, int argc, char** argv);
constexpr const char* kWindowEntry = "quindle_window_main";
constexpr const char* kSplashEntry = "quindle_splash_main";

// The module file of that name (without prefix and suffix) beside the program.
std::string ModuleFile(const std::string& Name);

// The "splash" mode: shows the splash unless the configuration file says showsplash=0, then
// runs until the process is ended from outside. Returns at once when there is nothing to show
// or the module cannot be loaded (a start is never held up by its splash).
void RunSplashModule(const std::string& ConfigFile, int argc, char** argv);

// Loads a module and finds an entry of it; null with the reason in Error when either fails.
void* LoadModuleEntry(const std::string& File, const char* Entry, std::string& Error);

} // namespace quindle
