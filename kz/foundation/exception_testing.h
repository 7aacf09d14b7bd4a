// Test support: the error code an action throws.
#pragma once

#include "kz/foundation/exception.h"

// The code of the KzException `action` throws, or 0 when it returns.
template <typename Action>
int kzThrownCode(Action action) {
  try {
    action();
  } catch (const KzException& e) {
    return e.GetErrorCode();
  }
  return 0;
}
