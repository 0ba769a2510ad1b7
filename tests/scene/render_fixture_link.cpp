// The rendering suites' device fixture (64 x 64 window, device, transform state, target manager,
// renderer and frame targets), compiled into this suite as well.
#include "render/render_fixture.cpp"
