// The fakes are header-only; this file gives the support library a translation unit.
#include "Fakes.h"
