#include "kit/Rendering.h"

namespace quindle {

// The toolkit chooses between the graphics device and software drawing by itself here.
void ChooseRendering() {}

} // namespace quindle
