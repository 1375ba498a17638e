// The welcome tour is tested on the application as launched on the simulated desktop, with
// the application core's own test fixture compiled into this program.
#include "app/AppDesktopFixture.cpp"
