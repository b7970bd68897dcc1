#pragma once

// The children this process started and does not wait for. Starting them and listing processes
// live apart, and both need them: an ended child stays a zombie, still listed in /proc, until it
// is reaped.

#include <sys/types.h>

namespace quindle {

// Keeps a child that runs on its own, to be reaped once it has ended.
void RememberChild(pid_t pid);

// Reaps the remembered children that have ended. The process queries call it first so that an
// ended child is gone, as it would be on a system that keeps no zombies.
void ReapChildren();

} // namespace quindle
