#pragma once

// How the windows draw. Where no graphics device can be used (a virtual or remote display, a
// virtual machine without one), the system's OpenGL draws in software, and drawing the page and
// the window through it costs more memory and processor time than the browser engine's and the
// toolkit's own software drawing; the engine's own browser makes the same choice.

namespace quindle {

// Before the toolkit starts: chooses the toolkit's and the browser engine's software drawing
// where OpenGL would only draw in software; leaves what the user chose in the environment.
void ChooseRendering();

} // namespace quindle
