#pragma once

// The parts of the program that need the window toolkit live in modules of their own, in lib/
// beside the program, loaded only by the runs that show a window: the interactive run, and the
// splash picture. Service modes and the plain start that only starts the program again load
// neither, and so none of the toolkit's libraries.

#include <cstdint>
#include <string>
#include <vector>

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

// The module file of that name (without prefix and suffix) beside the running program, or beside
// Program: a build loads the modules of the program it packages, which may not be itself.
std::string ModuleFile(const std::string& Name);
std::string ModuleFile(const std::string& Name, const std::string& Program);

// The "splash" mode: shows the splash unless the configuration file says showsplash=0, then
// runs until the process is ended from outside. Returns at once when there is nothing to show
// or the module cannot be loaded (a start is never held up by its splash).
void RunSplashModule(const std::string& ConfigFile, int argc, char** argv);

// Loads a module and finds an entry of it; null with the reason in Error when either fails.
void* LoadModuleEntry(const std::string& File, const char* Entry, std::string& Error);

// The arguments a module starts the toolkit with: the program's own, and the desktop id as the
// instance name of its windows on X ("-name", which the toolkit takes out). Every rebranded
// program file has the same name, so the file cannot be what tells two packages apart. Must
// outlive the toolkit, which keeps the count by reference.
class TToolkitArguments {
public:
    TToolkitArguments(int argc, char** argv, const std::string& DesktopId) {
        values_.assign(argv, argv + argc);
        values_.insert(values_.begin() + (argc > 0 ? 1 : 0), {"-name", DesktopId});
        for (std::string& value : values_)
            pointers_.push_back(value.data());
        pointers_.push_back(nullptr);
        count_ = int(values_.size());
    }
    int& Count() { return count_; }
    char** Values() { return pointers_.data(); }

private:
    std::vector<std::string> values_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

} // namespace quindle
