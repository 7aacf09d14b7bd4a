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
#include "kz/foundation/geometry_base.h"
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

// Persistence: archive stream, files, compression, paths.
#include "kz/persistence/archive.h"
#include "kz/persistence/archive_file.h"
#include "kz/persistence/archive_mem.h"
#include "kz/persistence/file_path.h"
#include "kz/persistence/find_file.h"
#include "kz/persistence/kzfile.h"
#include "kz/persistence/time_archive.h"
#include "kz/persistence/zlib_codec.h"

// Virtual memory: tile memory within a budget, swap file, eviction cache.
#include "kz/vmem/block_list.h"
#include "kz/vmem/garbage.h"
#include "kz/vmem/swap.h"
#include "kz/vmem/virtual_memory.h"
#include "kz/vmem/vm_cache.h"
#include "kz/vmem/vm_handle.h"

// Block raster images: core, pixel formats, cursors and block access.
#include "kz/raster/block_access.h"
#include "kz/raster/pixel_format.h"
#include "kz/raster/voffscreen.h"
#include "kz/raster/voffscreen_16bit.h"
#include "kz/raster/voffscreen_1bit.h"
#include "kz/raster/voffscreen_24bit.h"
#include "kz/raster/voffscreen_2bit.h"
#include "kz/raster/voffscreen_32bit.h"
#include "kz/raster/voffscreen_8bit.h"
#include "kz/raster/voffscreen_depth.h"
#include "kz/raster/voffscreen_null_device.h"

// Pixel mixing: the mixer family, the image pixel mixer and mask.
#include "kz/raster/mixer/pixel_mixer.h"
#include "kz/raster/mixer/pixel_mixer_arith.h"
#include "kz/raster/mixer/pixel_mixer_blend.h"
#include "kz/raster/mixer/pixel_mixer_edit.h"
#include "kz/raster/mixer/pixel_mixer_gaussian.h"
#include "kz/raster/mixer/pixel_mixer_kind.h"
#include "kz/raster/mixer/pixel_mixer_rules.h"
#include "kz/raster/mixer/pixel_mixer_smudge.h"
#include "kz/raster/mixer/row_fast_path.h"
#include "kz/raster/mixer/voff_pixel_mask.h"
#include "kz/raster/mixer/voff_pixel_mixer.h"

// Brush engine.
#include "kz/brush/stroke.h"
