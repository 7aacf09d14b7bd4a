// The kz library: every public header of every subsystem.
#pragma once

// Foundation: values, text, errors, handles, threads, window state.
#include "kz/foundation/abort.h"
#include "kz/foundation/alert.h"
#include "kz/foundation/color.h"
#include "kz/foundation/critical_section.h"
#include "kz/foundation/error.h"
#include "kz/foundation/exception.h"
#include "kz/foundation/geometry.h"
#include "kz/foundation/geometry_double.h"
#include "kz/foundation/geometry_float.h"
#include "kz/foundation/geometry_math.h"
#include "kz/foundation/handle.h"
#include "kz/foundation/kzstring.h"
#include "kz/foundation/kztime.h"
#include "kz/foundation/library_init.h"
#include "kz/foundation/pointer.h"
#include "kz/foundation/string_array.h"
#include "kz/foundation/string_table.h"
#include "kz/foundation/tarray.h"
#include "kz/foundation/wide_string.h"
#include "kz/foundation/window_state.h"
#include "kz/foundation/worker_thread.h"

// Brush engine.
#include "kz/brush/stroke.h"
