// Geometry math: angles, distances, line crossings, projections onto segments, ellipse
// sampling, noise and small numeric tools, as plain C functions.
//
// Integer angles have 4096 units per turn: 0 points along +x and angles grow counter-clockwise
// on the screen (y pointing down), so 1024 points up and 3072 down. Floating angles are radians
// unless the name says degrees. Points passed by value are tagPOINTD. Several functions build on
// the utility library's tqRotNormal, tqRotCalc, tqPointLength and tqDouble2Int.
#pragma once

#include "tqwutl/types.h"

extern "C" {

// --- angles and distances ----------------------------------------------------------------------

// Distance of two integer points; the squares are formed in 64 bits, so points any distance
// apart give the right length.
double tqPointLengthInteger(int x1, int y1, int x2, int y2);
// Integer angle (0 to 4095) of the direction from point 1 to point 2. Equal points give 0;
// the axis directions are exact (0, 1024 up, 2048, 3072 down).
int tqRotCalcInteger(int x1, int y1, int x2, int y2);
// `a` brought into the turn: a & 0xFFF for a >= 0; for negative a, 4096 - (-a & 0xFFF), so a
// negative multiple of 4096 gives 4096.
int tqRotNormalInteger(int a);
// Signed shortest turn from `a` to `b` in radians (a half turn keeps the sign of b - a).
double tqRotOffCalc(double a, double b);
// Signed shortest turn from `a` to `b` in integer units; a difference of exactly 2048 keeps
// its sign.
int tqRotOffCalcInteger(int a, int b);
// `a` moved toward `b` by one n-th of the shortest turn (C division), normalised as by
// tqRotNormalInteger; n = 2 gives the mean direction. n = 0 throws 0x20010008.
int tqRotAverageInteger(int a, int b, int n);
// Sine and cosine of `angle` (radians) after tqRotNormal. Null outputs are skipped.
void tqRadianSinCos(double angle, double* sinOut, double* cosOut);
// Sine and cosine of an angle in degrees, first reduced into 0 to below 360.
void tqDegreeSinCos(double degrees, double* sinOut, double* cosOut);
// Unsigned smallest angle between two angles in degrees (each first brought into range once:
// 360 or more loses 360, negative gains 360).
double tqDegreeGap(double a, double b);
// 1, 0 or -1.
int tqSgn(int value);
// 1.0, 0.0 or -1.0; 0.0 also for a NaN.
double tqSgnf(double value);

// --- projections -------------------------------------------------------------------------------

// Distance from `p` to the nearest point of segment a-b. `*foot` (when not null) receives that
// point and `*t` (when not null) its parameter, clamped to 0..1; a segment shorter than 1e-04
// (squared length <= 1e-08) counts as the point `a`.
double tqPtPosOnLine(tagPOINTD p, tagPOINTD a, tagPOINTD b, tagPOINTD* foot, double* t);
// As tqPtPosOnLine, but when the nearest point is an end point (and `foot` is not null and the
// segment not degenerate) the foot moves onto the infinite line through a and b; `t` becomes
// |foot - a| / |b - a|, negative when the foot lies before `a`.
double tqPtPosOnLine2(tagPOINTD p, tagPOINTD a, tagPOINTD b, tagPOINTD* foot, double* t);

// --- crossings (0 means no crossing and leaves `out` unchanged) --------------------------------

// 1 when segments p1-p2 and p3-p4 cross, end points included; `*out` (when not null) receives
// the crossing. Parallel segments (collinear ones too) give 0.
int tqCrossLinePoint(tagPOINTD p1, tagPOINTD p2, tagPOINTD p3, tagPOINTD p4, tagPOINTD* out);
// Segment crossing with special cases for a first segment that is vertical or horizontal at
// whole-number precision and a second segment that is vertical. In those cases only the second
// segment's extent is checked, the first segment counting as its whole line.
int tqCrossLinePoint2(tagPOINTD p1, tagPOINTD p2, tagPOINTD p3, tagPOINTD p4, tagPOINTD* out);
// 1 when the infinite lines through p1-p2 and p3-p4 cross; coordinates and slopes equal to
// 1/1000 count as equal, so (nearly) parallel lines give 0. `out` may be null.
int tqCrossLinePoint3(tagPOINTD p1, tagPOINTD p2, tagPOINTD p3, tagPOINTD p4, tagPOINTD* out);
// 1 when segment p1-p2 crosses an edge of the closed polygon poly[0..n-1]. With guard1 == 1 a
// crossing no farther from p1 than the edge's length does not count (likewise guard2 for p2).
// `*out` (when not null) holds the last crossing tested. A null polygon with n > 0 throws
// 0x20010008.
int tqCrossSegmentAndPoly(const tagPOINT* poly, int n, tagPOINTD p1, tagPOINTD p2, int guard1,
                          int guard2, tagPOINTD* out);

// --- other ---------------------------------------------------------------------------------------

// Point 2 moved onto the nearest direction of a multiple of 45 degrees from point 1, at the
// same distance (rounded to whole numbers).
tagPOINT tqStepLineCalc(int x1, int y1, int x2, int y2);
// y at `x` of the line through (x1, y1) and (x2, y2); y1 when x1 == x2.
double tqGet2PointsToLineY(double x, double x1, double y1, double x2, double y2);
// `n` points on the ellipse inscribed in the box (x1, y1)-(x2, y2) (corners in any order),
// rotated by `degrees` counter-clockwise on screen. Point 0 is the right end of the unrotated
// ellipse; the points run counter-clockwise. n <= 0 writes nothing; a null `out` with n > 0
// throws 0x20010008.
void tqGetEllipsePoint(int x1, int y1, int x2, int y2, double degrees, tagPOINT* out, int n);
// Approximately normal noise, mean 0 and standard deviation 1/6, from twelve draws of the C
// library's rand() scaled to 0..32767 (so the result lies within -1 to 1).
double tqGetGaussRand();
// Rounded half away from zero: -2.5 gives -3, 2.5 gives 3.
int tqDoubleToIntRoundingUp(double value);
// Truncated toward zero after a nudge of 1e-05 away from zero: 2.999995 gives 3, 2.9999 gives 2.
int tqDoubleToInt(double value);
// Cyclic Jacobi method on the symmetric n x n matrix `a` (row pointers): eigenvalues end on
// its diagonal, eigenvectors in the columns of `v`, which the caller initialises (normally to
// the identity). Pairs with |a[i][j]| < eps are skipped; at most 10 sweeps. Null matrices with
// n > 0 throw 0x20010008.
void tqJacobiEigenvalue(int n, double** a, double** v, double eps);
// Fills table[0..count-1] with the curve y(x) through control points sorted by x (a tone
// curve): a line for two points, a quadratic B-spline from the first to the last point for
// more. Entries the curve does not reach keep their values. Returns 1, or 0 (table untouched)
// for fewer than 2 points, a count of 0 or the first and last point at the same x.
int tqGetBsplineIntTable(const tagPOINT* points, unsigned n, int* table, unsigned count);

}  // extern "C"
