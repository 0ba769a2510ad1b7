// The model tests run on the rendering tests' device fixture; its definitions are compiled into
// this suite as well.
#include "render/render_fixture.cpp"
