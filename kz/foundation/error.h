// Error codes and the throwing entry point shared by every part of the library.
//
// Codes share one space with the platform's error codes (8 = not enough memory, 39 = disk full,
// ...) and the utility library's last error. The library's own codes have bit 29 set and 1 in
// bits 16-27: 0x2001xxxx, and 0x6001xxxx with bit 30 also set.
#pragma once

// --- error codes -------------------------------------------------------------------------------
inline constexpr int kKzErrorNotEnoughMemory = 8;
inline constexpr int kKzErrorDiskFull = 39;
inline constexpr int kKzErrorNotFullColor = 0x20010000;
inline constexpr int kKzErrorFormatTag = 0x20010001;
inline constexpr int kKzErrorColorChartVersion = 0x20010002;
inline constexpr int kKzErrorNotColorChart = 0x20010003;
inline constexpr int kKzErrorAbort = 0x20010004;  // the user cancelled; never shows a message
inline constexpr int kKzErrorManagementTag = 0x20010006;
inline constexpr int kKzErrorParameter = 0x20010008;
inline constexpr int kKzErrorTime = 0x20010009;
inline constexpr int kKzErrorFileExists = 0x2001000A;
inline constexpr int kKzErrorFileFormat = 0x2001000B;
inline constexpr int kKzErrorFileVersion = 0x2001000C;
inline constexpr int kKzErrorVectorize = 0x2001000D;
inline constexpr int kKzErrorTooManyColors = 0x2001000E;
inline constexpr int kKzErrorVectorData = 0x2001000F;
inline constexpr int kKzErrorReadOnlyDocument = 0x20012EE0;
inline constexpr int kKzErrorSwapSpace = 0x200132C8;
inline constexpr int kKzErrorSwapPath = 0x200132C9;
inline constexpr int kKzErrorPluginNotFound = 0x60011388;
inline constexpr int kKzErrorLayerNotFound = 0x60011389;
inline constexpr int kKzErrorFormatNotSupported = 0x6001138A;
inline constexpr int kKzErrorSizeNotSupported = 0x6001138B;
inline constexpr int kKzErrorDeviceNotConnected = 0x6001138C;
inline constexpr int kKzErrorUnexpected = 0x6001138E;

// --- alert ids -----------------------------------------------------------------------------------
// The alert describes the error code itself (a system error message).
inline constexpr unsigned int kKzAlertSystemError = 0xFFFFFFFFu;
inline constexpr unsigned int kKzAlertSaveChanges = 0xE2800064u;      // "%s has changed. ..."
inline constexpr unsigned int kKzAlertReadOnlyClose = 0xD2800065u;    // "%s is read-only.\nClose..."
inline constexpr unsigned int kKzAlertReadOnly = 0x82800066u;         // "%s is read-only."
inline constexpr unsigned int kKzAlertNoVirtualMemory = 0x40800014u;  // "The virtual memory ..."

// Throws a KzException with `code`, `alertId` and the message parameters p1..p5. The recorded
// source is always "kzexception", line 203. Never returns. The usual call names only the code:
// the alert then describes the code (kKzAlertSystemError) and the parameters are empty.
[[noreturn]] void kzThrowError(int code, unsigned int alertId = kKzAlertSystemError,
                               const char* p1 = "", const char* p2 = "", const char* p3 = "",
                               const char* p4 = "", const char* p5 = "");

class KzAlert;

// Throws a KzException with `code` and a copy of `alert` as it stands (its id and flag are not
// recomputed from the code). The recorded source is "kzexception", line 209. Never returns.
// When memory runs out while the exception is built, either form throws a ready-made
// "not enough memory" exception (code 8, system alert) instead.
[[noreturn]] void kzThrowError(int code, const KzAlert& alert);
