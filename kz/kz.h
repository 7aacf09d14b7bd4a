// The kz library: every public header of every subsystem.
#pragma once

#include "kz/foundation/error.h"
