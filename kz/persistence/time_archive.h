// Archive operators of KzTime: the time travels as its 32-bit seconds value.
#pragma once

#include "kz/foundation/kztime.h"
#include "kz/persistence/archive.h"

// Writes the time's value as a 32-bit integer (-1 for no time).
KzArchive& operator<<(KzArchive& archive, const KzTime& time);
// Reads a 32-bit value: -1 clears the time; otherwise both records are recomputed, a record
// whose conversion fails staying as it was. Never throws for the value itself.
KzArchive& operator>>(KzArchive& archive, KzTime& time);
