// System error texts (English, as the original platform words them) and the errno mapping.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "win32/win32.h"

namespace {

struct ErrorText {
  DWORD code;
  const char* text;
};

// Sorted by code. Each text ends in CR LF like the original's message table.
constexpr ErrorText kErrorTexts[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {15, "The system cannot find the drive specified.\r\n"},
    {16, "The directory cannot be removed.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {21, "The device is not ready.\r\n"},
    {25, "The drive cannot locate a specific area or track on the disk.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {30, "The system cannot read from the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {33,
     "The process cannot access the file because another process has locked a portion of the "
     "file.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {39, "The disk is full.\r\n"},
    {50, "The request is not supported.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {131, "An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {170, "The requested resource is in use.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {223, "The file size exceeds the limit allowed and cannot be saved.\r\n"},
    {258, "The wait operation timed out.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {317,
     "The system cannot find message text for message number 0x%1 in the message file for "
     "%2.\r\n"},
    {998, "Invalid access to memory location.\r\n"},
    {1004, "Invalid flags.\r\n"},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {1400, "Invalid window handle.\r\n"},
    {1406, "Cannot create a top-level child window.\r\n"},
    {1413, "Invalid index.\r\n"},
    {1444, "The thread identifier is invalid.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1461, "Invalid monitor handle.\r\n"},
    {1815, "The specified resource language ID cannot be found in the image file.\r\n"},
    {1921, "The name of the file cannot be resolved by the system.\r\n"},
};

const char* FindText(DWORD code) {
  const auto* end = std::end(kErrorTexts);
  const auto* it = std::lower_bound(std::begin(kErrorTexts), end, code,
                                    [](const ErrorText& e, DWORD c) { return e.code < c; });
  return it != end && it->code == code ? it->text : nullptr;
}

// The texts are English only: neutral, default and any English language id are served.
bool IsServedLanguage(DWORD languageId) {
  constexpr DWORD kPrimaryMask = 0x3FF;
  constexpr DWORD kEnglish = 0x09;
  const DWORD primary = languageId & kPrimaryMask;
  return languageId == 0 || primary == 0 || primary == kEnglish;
}

}  // namespace

extern "C" {

// Served: FORMAT_MESSAGE_FROM_SYSTEM into a caller's buffer, with or without
// FORMAT_MESSAGE_IGNORE_INSERTS. Refused with 87: other sources, FORMAT_MESSAGE_ALLOCATE_BUFFER
// (there is no LocalFree to give the buffer back), a line width, and a text with inserts
// when inserts are not ignored.
DWORD FormatMessageA(DWORD flags, LPCVOID /*source*/, DWORD messageId, DWORD languageId,
                     LPSTR buffer, DWORD size, va_list* /*arguments*/) {
  const DWORD sourceFlags =
      FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM;
  if ((flags & sourceFlags) != FORMAT_MESSAGE_FROM_SYSTEM ||
      (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) || (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) ||
      buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!IsServedLanguage(languageId)) {
    SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
    return 0;
  }
  const char* text = FindText(messageId);
  if (text == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  if (!(flags & FORMAT_MESSAGE_IGNORE_INSERTS) && std::strchr(text, '%') != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length = std::strlen(text);
  if (length >= size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text, length + 1);
  return static_cast<DWORD>(length);
}

}  // extern "C"

namespace win32 {

const char* SystemErrorText(DWORD code) {
  const char* text = FindText(code);
  return text != nullptr ? text : "";
}

// EIO maps to the read fault; the write paths of the file services report 29 themselves.
DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT:
      return ERROR_HANDLE_DISK_FULL;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case EIO:
      return ERROR_READ_FAULT;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case EFBIG:
      return ERROR_FILE_TOO_LARGE;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    case EPIPE:
      return ERROR_BROKEN_PIPE;
    case ENOSYS:
    case EOPNOTSUPP:
      return ERROR_NOT_SUPPORTED;
    case ESPIPE:
      return ERROR_SEEK;
    case EFAULT:
      return ERROR_NOACCESS;
    case ETIMEDOUT:
      return ERROR_TIMEOUT;
    case ENODEV:
    case ENXIO:
      return ERROR_NOT_READY;
    default:
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace win32
