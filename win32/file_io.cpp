// File handles: CreateFileA and the I/O on an open file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "win32/file_system_p.h"
#include "win32/files_p.h"
#include "win32/handles_p.h"
#include "win32/win32.h"

namespace win32::detail {
namespace {

class FileObject : public KernelObject {
 public:
  FileObject(int fd, bool readable, bool writable)
      : fd(fd), readable(readable), writable(writable) {}
  ~FileObject() override { close(fd); }
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;
  // I/O is synchronous: a file handle is always signalled.
  DWORD Wait(DWORD) override { return WAIT_OBJECT_0; }

  const int fd;
  const bool readable;
  const bool writable;
};

// Faults armed by the tests of other layers.
class Faults {
 public:
  void Arm(bool write, int count, DWORD error) {
    std::lock_guard lock(m_mutex);
    Slot& slot = write ? m_writes : m_reads;
    slot.count = count > 0 ? count : 0;
    slot.error = error;
  }
  // True (and the error) when this call is one of the failing ones.
  bool Take(bool write, DWORD& error) {
    std::lock_guard lock(m_mutex);
    Slot& slot = write ? m_writes : m_reads;
    if (slot.count == 0) return false;
    --slot.count;
    error = slot.error;
    return true;
  }

 private:
  struct Slot {
    int count = 0;
    DWORD error = 0;
  };
  std::mutex m_mutex;
  Slot m_reads;
  Slot m_writes;
};

Faults& FileFaults() {
  static Faults& faults = *new Faults;
  return faults;
}

std::shared_ptr<FileObject> RequireFile(HANDLE handle) {
  auto file = LookupHandleAs<FileObject>(handle);
  if (file == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

template <typename T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

// RequireFile for the calls that change a file: null with last error 5 when it was opened
// read-only.
std::shared_ptr<FileObject> RequireWritableFile(HANDLE handle) {
  auto file = RequireFile(handle);
  if (file != nullptr && !file->writable) return Fail(ERROR_ACCESS_DENIED, decltype(file){});
  return file;
}

// The error of a failed read or write: an I/O error is a read or a write fault.
DWORD IoError(int error, bool write) {
  if (error == EIO) return write ? ERROR_WRITE_FAULT : ERROR_READ_FAULT;
  return win32::ErrorFromErrno(error);
}

// Opens with O_CREAT where needed; tells whether the file existed before.
int OpenOrCreate(const std::string& native, int flags, mode_t mode, bool truncate, bool& existed) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    int fd = open(native.c_str(), flags | O_CREAT | O_EXCL, mode);
    if (fd >= 0) {
      existed = false;
      return fd;
    }
    if (errno != EEXIST) return -1;
    fd = open(native.c_str(), flags | (truncate ? O_TRUNC : 0));
    if (fd >= 0 || errno != ENOENT) {
      existed = true;
      return fd;
    }
    // Deleted between the two calls: try again.
  }
  return -1;
}

// Reads or writes the whole range, at the file pointer or at `offset` (>= 0).
template <typename Io>
bool Transfer(Io io, int fd, char* buffer, DWORD count, off_t offset, DWORD& done, int& error) {
  done = 0;
  while (done < count) {
    const ssize_t n = offset >= 0 ? io.positional(fd, buffer + done, count - done, offset + done)
                                  : io.plain(fd, buffer + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    if (n == 0) break;  // end of file when reading
    done += static_cast<DWORD>(n);
  }
  return true;
}

struct Reader {
  static ssize_t plain(int fd, char* b, std::size_t n) { return read(fd, b, n); }
  static ssize_t positional(int fd, char* b, std::size_t n, off_t o) { return pread(fd, b, n, o); }
};
struct Writer {
  static ssize_t plain(int fd, char* b, std::size_t n) { return write(fd, b, n); }
  static ssize_t positional(int fd, char* b, std::size_t n, off_t o) { return pwrite(fd, b, n, o); }
};

template <typename Io>
BOOL DoIo(HANDLE handle, char* buffer, DWORD count, LPDWORD done, LPOVERLAPPED overlapped,
          bool write) {
  auto file = RequireFile(handle);
  if (file == nullptr) return 0;
  if (done == nullptr && overlapped == nullptr) return Fail(ERROR_INVALID_PARAMETER, BOOL{0});
  if (done != nullptr) *done = 0;
  DWORD injected = 0;
  if (FileFaults().Take(write, injected)) return Fail(injected, BOOL{0});
  if (!(write ? file->writable : file->readable)) return Fail(ERROR_ACCESS_DENIED, BOOL{0});
  if (buffer == nullptr && count != 0) return Fail(ERROR_NOACCESS, BOOL{0});
  off_t offset = -1;
  if (overlapped != nullptr) {
    offset = static_cast<off_t>(std::uint64_t{overlapped->OffsetHigh} << 32 | overlapped->Offset);
  }
  DWORD transferred = 0;
  int error = 0;
  const bool ok = Transfer(Io{}, file->fd, buffer, count, offset, transferred, error);
  if (done != nullptr) *done = transferred;
  if (overlapped != nullptr) {
    // A synchronous handle moves its file pointer past the transferred range.
    lseek(file->fd, offset + static_cast<off_t>(transferred), SEEK_SET);
    overlapped->Internal = ok ? 0 : IoError(error, write);
    overlapped->InternalHigh = transferred;
    if (overlapped->hEvent != nullptr) SetEvent(overlapped->hEvent);
  }
  if (!ok) return Fail(IoError(error, write), BOOL{0});
  return 1;
}

// The new position for a seek, or -1 with the last error set.
std::int64_t SeekTarget(const FileObject& file, std::int64_t distance, DWORD method) {
  std::int64_t base = 0;
  if (method == FILE_CURRENT) {
    base = lseek(file.fd, 0, SEEK_CUR);
  } else if (method == FILE_END) {
    struct stat st {};
    base = fstat(file.fd, &st) == 0 ? st.st_size : -1;
  } else if (method != FILE_BEGIN) {
    return Fail(ERROR_INVALID_PARAMETER, std::int64_t{-1});
  }
  if (base < 0) return Fail(win32::ErrorFromErrno(errno), std::int64_t{-1});
  std::int64_t target = 0;
  if (__builtin_add_overflow(base, distance, &target)) {
    return Fail(ERROR_INVALID_PARAMETER, std::int64_t{-1});
  }
  if (target < 0) return Fail(ERROR_NEGATIVE_SEEK, std::int64_t{-1});
  return target;
}

bool SeekTo(const FileObject& file, std::int64_t target) {
  if (lseek(file.fd, static_cast<off_t>(target), SEEK_SET) >= 0) return true;
  SetLastError(errno == EINVAL || errno == EOVERFLOW ? ERROR_INVALID_PARAMETER
                                                     : win32::ErrorFromErrno(errno));
  return false;
}

bool SizeOf(HANDLE handle, std::uint64_t& size) {
  auto file = RequireFile(handle);
  if (file == nullptr) return false;
  struct stat st {};
  if (fstat(file->fd, &st) != 0) return Fail(win32::ErrorFromErrno(errno), false);
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

// A time to set, or UTIME_OMIT for null, zero and all-ones (the original's "leave it").
timespec TimeToSet(const FILETIME* time) {
  timespec ts{};
  ts.tv_nsec = UTIME_OMIT;
  if (time == nullptr) return ts;
  const std::uint64_t ticks = std::uint64_t{time->dwHighDateTime} << 32 | time->dwLowDateTime;
  if (ticks == 0 || ticks == UINT64_MAX) return ts;
  return FromFileTime(*time);
}

}  // namespace
}  // namespace win32::detail

namespace win32 {

void FailNextFileWrites(int count, DWORD error) { detail::FileFaults().Arm(true, count, error); }

void FailNextFileReads(int count, DWORD error) { detail::FileFaults().Arm(false, count, error); }

}  // namespace win32

extern "C" {

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD /*shareMode*/,
                   LPSECURITY_ATTRIBUTES /*security*/, DWORD disposition, DWORD flagsAndAttributes,
                   HANDLE /*templateFile*/) {
  using namespace win32::detail;
  if (flagsAndAttributes & FILE_FLAG_OVERLAPPED) {
    return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  std::string native;
  if (!NativePathArgument(path, native)) return INVALID_HANDLE_VALUE;
  const bool readable = (access & (GENERIC_READ | GENERIC_ALL)) != 0;
  const bool writable = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
  int flags = (readable && writable) ? O_RDWR : writable ? O_WRONLY : O_RDONLY;
  flags |= O_CLOEXEC;
  if (flagsAndAttributes & FILE_FLAG_WRITE_THROUGH) flags |= O_DSYNC;
  const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;

  // A read-only file is not opened for writing, nor replaced, as on the original.
  struct stat before {};
  const bool exists = stat(native.c_str(), &before) == 0;
  const bool replaces = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  if (exists && S_ISREG(before.st_mode) && (writable || replaces) && IsReadOnly(native, before)) {
    return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  }

  bool existed = false;
  int fd = -1;
  switch (disposition) {
    case CREATE_NEW:
      fd = open(native.c_str(), flags | O_CREAT | O_EXCL, mode);
      break;
    case CREATE_ALWAYS:
      fd = OpenOrCreate(native, flags, mode, true, existed);
      break;
    case OPEN_ALWAYS:
      fd = OpenOrCreate(native, flags, mode, false, existed);
      break;
    case OPEN_EXISTING:
      fd = open(native.c_str(), flags);
      break;
    case TRUNCATE_EXISTING:
      if (!writable) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
      fd = open(native.c_str(), flags | O_TRUNC);
      break;
    default:
      return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  if (fd < 0) return Fail(PathError(errno, native), INVALID_HANDLE_VALUE);

  struct stat st {};
  fstat(fd, &st);
  if (S_ISDIR(st.st_mode) && !(flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS)) {
    close(fd);
    return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  }
  const bool created = !existed && disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
  if (created || disposition == CREATE_ALWAYS) {
    if (flagsAndAttributes & FILE_ATTRIBUTE_HIDDEN) SetHiddenMark(st, true);
    if ((flagsAndAttributes & FILE_ATTRIBUTE_READONLY) && !created) {
      fchmod(fd, st.st_mode & 07555);
    }
  }
  if (flagsAndAttributes & FILE_FLAG_NO_BUFFERING) {
    // Where the file system refuses direct I/O the file stays buffered.
    const int current = fcntl(fd, F_GETFL);
    if (current >= 0) fcntl(fd, F_SETFL, current | O_DIRECT);
  }
  if (flagsAndAttributes & FILE_FLAG_DELETE_ON_CLOSE) unlink(native.c_str());

  HANDLE handle = RegisterHandle(std::make_shared<FileObject>(fd, readable, writable));
  if (handle == nullptr) return INVALID_HANDLE_VALUE;
  const bool reportExisting =
      existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
  SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped) {
  return win32::detail::DoIo<win32::detail::Reader>(file, static_cast<char*>(buffer), count, read,
                                                    overlapped, false);
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
  // The writer only reads from the buffer.
  return win32::detail::DoIo<win32::detail::Writer>(
      file, const_cast<char*>(static_cast<const char*>(buffer)), count, written, overlapped, true);
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
  using namespace win32::detail;
  auto f = RequireFile(file);
  if (f == nullptr) return INVALID_SET_FILE_POINTER;
  const std::int64_t move =
      distanceHigh != nullptr
          ? static_cast<std::int64_t>(std::uint64_t(std::uint32_t(*distanceHigh)) << 32 |
                                      std::uint32_t(distance))
          : std::int64_t{distance};
  const std::int64_t target = SeekTarget(*f, move, method);
  if (target < 0) return INVALID_SET_FILE_POINTER;
  if (distanceHigh == nullptr && target > std::int64_t{0xFFFFFFFF}) {
    return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  }
  if (!SeekTo(*f, target)) return INVALID_SET_FILE_POINTER;
  if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(target >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(target);
}

BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition,
                      DWORD method) {
  using namespace win32::detail;
  auto f = RequireFile(file);
  if (f == nullptr) return 0;
  const std::int64_t target = SeekTarget(*f, distance.QuadPart, method);
  if (target < 0 || !SeekTo(*f, target)) return 0;
  if (newPosition != nullptr) newPosition->QuadPart = target;
  return 1;
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  std::uint64_t size = 0;
  if (!win32::detail::SizeOf(file, size)) return INVALID_FILE_SIZE;
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size) {
  std::uint64_t value = 0;
  if (size == nullptr) return win32::detail::Fail(ERROR_INVALID_PARAMETER, BOOL{0});
  if (!win32::detail::SizeOf(file, value)) return 0;
  size->QuadPart = static_cast<LONGLONG>(value);
  return 1;
}

BOOL SetEndOfFile(HANDLE file) {
  using namespace win32::detail;
  auto f = RequireWritableFile(file);
  if (f == nullptr) return 0;
  const off_t position = lseek(f->fd, 0, SEEK_CUR);
  if (position < 0 || ftruncate(f->fd, position) != 0) {
    return Fail(IoError(errno, true), BOOL{0});
  }
  return 1;
}

BOOL FlushFileBuffers(HANDLE file) {
  using namespace win32::detail;
  auto f = RequireWritableFile(file);
  if (f == nullptr) return 0;
  if (fsync(f->fd) != 0) return Fail(IoError(errno, true), BOOL{0});
  return 1;
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  using namespace win32::detail;
  auto f = RequireFile(file);
  if (f == nullptr) return 0;
  FileTimes times{};
  if (!ReadFileTimes(f->fd, "", AT_EMPTY_PATH, times)) {
    return Fail(win32::ErrorFromErrno(errno), BOOL{0});
  }
  if (creation != nullptr) *creation = ToFileTime(times.creation);
  if (lastAccess != nullptr) *lastAccess = ToFileTime(times.lastAccess);
  if (lastWrite != nullptr) *lastWrite = ToFileTime(times.lastWrite);
  return 1;
}

BOOL SetFileTime(HANDLE file, const FILETIME* /*creation*/, const FILETIME* lastAccess,
                 const FILETIME* lastWrite) {
  using namespace win32::detail;
  auto f = RequireFile(file);
  if (f == nullptr) return 0;
  const timespec times[2] = {TimeToSet(lastAccess), TimeToSet(lastWrite)};
  if (futimens(f->fd, times) != 0) return Fail(win32::ErrorFromErrno(errno), BOOL{0});
  return 1;
}

}  // extern "C"
