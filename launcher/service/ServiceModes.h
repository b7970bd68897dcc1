#pragma once

// The service modes that need no window: "/config", "/icon", "/splash", "/setup" and
// "downsize". Each changes or starts files and ends; none shows anything.

#include "kit/KoClass.h"

#include <string>
#include <vector>

namespace quindle {

// Args are the arguments after the program path. A word that names no mode, or one with too
// few arguments, does nothing at all.
void RunServiceMode(const std::vector<std::string>& Args);

// The arguments that run Mode ("/config", "/setup", ...) on Target with File.
TArguments ModeArguments(const std::string& Mode, const std::string& Target,
                         const std::string& File);

} // namespace quindle
