#pragma once

// The program's own main icon (its MAINICON resource), as rebranding leaves it.

#include <QIcon>

namespace quindle {

// Every image of the program's MAINICON; the toolkit's standard application icon when the
// program carries none.
QIcon ProgramIcon();

} // namespace quindle
