// Fast row paths of the pixel mixer: the run-time switch.
//
// KzVOffPixelMixer::DoLineRow and DoLineRowBuffer paint a row through specialised loops when the
// chain head is one of the mixer family's own classes and no clone image is set: they walk the
// row block by block on the block memory, with the head's rule inlined, and give exactly the
// bytes (and the blocks) of the general per-pixel path. The general path stays the reference;
// switching the fast paths off makes every row take it, which tests use to compare the two.
#pragma once

// Turns the fast row paths on (non-zero, the default) or off, for the whole process.
void kzSetFastPathsEnabled(int enabled);
// Non-zero while the fast row paths are on.
int kzGetFastPathsEnabled();
