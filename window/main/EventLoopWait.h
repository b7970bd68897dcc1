#pragma once

// The waits of an interactive run's start-up and shutdown: the browser engine does its work in
// this thread's events, so a pause that slept would stop it (and the window) for as long. Each
// pause here runs events until its time is up.

#include "server/ServerProcesses.h"

namespace quindle {

TCooperativeWait EventLoopWait();

} // namespace quindle
