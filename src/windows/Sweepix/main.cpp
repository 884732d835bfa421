// The clean-up program's one application object.
#include "sweepix_app.h"

SweepixApp theApp;
