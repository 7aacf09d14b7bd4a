// Uses the installed library through its umbrella header: throws and catches a coded error.
#include <kz/kz.h>

#include <cstdio>

int main() {
  try {
    kzThrowError(kKzErrorFileFormat);
  } catch (const KzException& e) {
    KzString message;
    const_cast<KzException&>(e).GetAlertMessage(message);
    std::printf("kz consumer: caught 0x%08X \"%s\"\n", static_cast<unsigned>(e.GetErrorCode()),
                static_cast<const char*>(message));
    return e.GetErrorCode() == kKzErrorFileFormat ? 0 : 1;
  }
  return 1;
}
