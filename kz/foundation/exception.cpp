#include "kz/foundation/exception.h"

#include <cstring>
#include <exception>
#include <mutex>
#include <new>

namespace {

// Every exception records the thrower's own position, not its caller's.
constexpr char kThrowFile[] = "kzexception";
constexpr int kThrowLineWithId = 203;
constexpr int kThrowLineWithAlert = 209;

// Building an exception allocates (its alert's strings). When that allocation fails, the string
// code calls kzThrowError again; the nested call must not try to build another exception but
// abandon the outer one, which then throws a spare "not enough memory" exception built while
// memory was available.
struct BuildFailure {};
thread_local int t_building = 0;

class BuildScope {
 public:
  BuildScope() { ++t_building; }
  BuildScope(const BuildScope&) = delete;
  BuildScope& operator=(const BuildScope&) = delete;
  ~BuildScope() { --t_building; }
};

std::mutex s_spareMutex;
std::exception_ptr s_spare;
bool s_spareTaken = true;

// Builds a new spare when the last one was handed out; keeps the old one when memory is short.
void RenewSpare() {
  {
    std::lock_guard<std::mutex> lock(s_spareMutex);
    if (!s_spareTaken) return;
  }
  std::exception_ptr spare;
  try {
    BuildScope scope;
    throw KzException(kThrowFile, kThrowLineWithId, kKzErrorNotEnoughMemory, kKzAlertSystemError);
  } catch (const KzException&) {
    spare = std::current_exception();  // the thrown object itself, not a copy
  } catch (const BuildFailure&) {
    return;
  }
  std::lock_guard<std::mutex> lock(s_spareMutex);
  s_spare = spare;
  s_spareTaken = false;
}

[[noreturn]] void ThrowSpare() {
  std::exception_ptr spare;
  {
    std::lock_guard<std::mutex> lock(s_spareMutex);
    spare = s_spare;
    s_spareTaken = true;
  }
  if (spare) std::rethrow_exception(spare);
  throw std::bad_alloc();
}

const bool s_spareReady = (RenewSpare(), true);

}  // namespace

KzException::KzException() { m_alert.SetAlertID(0, 0); }

KzException::KzException(const char* file, int line, int code, unsigned int alertId, const char* p1,
                         const char* p2, const char* p3, const char* p4, const char* p5)
    : m_line(line), m_errorCode(code) {
  SetFile(file);
  m_alert.SetAlertID(alertId, code, p1, p2, p3, p4, p5);
}

KzException::KzException(int code, unsigned int alertId, const char* p1, const char* p2,
                         const char* p3, const char* p4, const char* p5)
    : m_errorCode(code) {
  m_alert.SetAlertID(alertId, code, p1, p2, p3, p4, p5);
}

KzException::KzException(const char* file, int line, int code, const KzAlert& alert)
    : m_line(line), m_errorCode(code), m_alert(alert) {
  SetFile(file);
}

KzException::KzException(int code, const KzAlert& alert) : m_errorCode(code), m_alert(alert) {}

KzException::KzException(const KzException& other) : m_alert(other.m_alert) { CopyMembers(other); }

KzException& KzException::operator=(const KzException& other) {
  if (this != &other) {
    m_alert = other.m_alert;
    CopyMembers(other);
  }
  return *this;
}

KzException::~KzException() = default;

void KzException::SetFile(const char* file) {
  if (!file) file = "";
  const std::size_t length = strnlen(file, sizeof(m_szFile) - 1);
  std::memcpy(m_szFile, file, length);
  m_szFile[length] = '\0';
}

void KzException::CopyMembers(const KzException& other) {
  std::memcpy(m_szFile, other.m_szFile, sizeof(m_szFile));
  m_line = other.m_line;
  m_errorCode = other.m_errorCode;
}

void kzThrowError(int code, unsigned int alertId, const char* p1, const char* p2, const char* p3,
                  const char* p4, const char* p5) {
  if (t_building > 0) throw BuildFailure{};
  RenewSpare();
  try {
    BuildScope scope;
    throw KzException(kThrowFile, kThrowLineWithId, code, alertId, p1, p2, p3, p4, p5);
  } catch (const BuildFailure&) {
  }
  ThrowSpare();
}

void kzThrowError(int code, const KzAlert& alert) {
  if (t_building > 0) throw BuildFailure{};
  RenewSpare();
  try {
    BuildScope scope;
    throw KzException(kThrowFile, kThrowLineWithAlert, code, alert);
  } catch (const BuildFailure&) {
  }
  ThrowSpare();
}
