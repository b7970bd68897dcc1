#pragma once

// The port field of the Rebrand and the address dialogs: a spin edit from 1 to 65535. Left
// empty, it gets its earlier text back instead of turning into the lowest port; any other text
// outside the range becomes the nearest bound, as the spin edit does by itself.

class QSpinBox;

namespace quindle {

// What leaving the field does before the spin edit reads its text.
void SpinEdit1Exit(QSpinBox* Field);
// Runs SpinEdit1Exit whenever the field loses the focus.
void HandleSpinEditExit(QSpinBox* Field);

} // namespace quindle
