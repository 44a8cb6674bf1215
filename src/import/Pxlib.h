#pragma once

// pxlib's header declares C functions without extern "C" of its own.
extern "C" {
#include <paradox.h>
}
