// KzException: the one exception the library throws, by value, through kzThrowError.
//
// It carries the error code and a ready-made alert (KzAlert) that the catcher can show with one
// call; an exception with the abort code has an empty alert and shows nothing. Catch it by
// reference: its type information lives in libkz, so this works across library boundaries.
#pragma once

#include "kz/foundation/alert.h"
#include "kz/foundation/error.h"

class KzException {
 public:
  // File name empty, line 0, code 0, an empty alert.
  KzException();
  // Stores the source position (the file name cut to 259 characters; null counts as empty) and
  // the code, then sets the alert from `alertId`, the code and p1..p5 (KzAlert::SetAlertID).
  KzException(const char* file, int line, int code, unsigned int alertId, const char* p1 = "",
              const char* p2 = "", const char* p3 = "", const char* p4 = "", const char* p5 = "");
  // As above without a source position (file name empty, line 0).
  KzException(int code, unsigned int alertId, const char* p1 = "", const char* p2 = "",
              const char* p3 = "", const char* p4 = "", const char* p5 = "");
  // Stores the source position and the code and copies `alert` as it stands (its id and flag
  // are not recomputed from the code).
  KzException(const char* file, int line, int code, const KzAlert& alert);
  KzException(int code, const KzAlert& alert);
  KzException(const KzException& other);
  KzException& operator=(const KzException& other);
  virtual ~KzException();

  const char* GetFile() const { return m_szFile; }
  int GetLine() const { return m_line; }
  int GetErrorCode() const { return m_errorCode; }
  operator int() const { return m_errorCode; }
  const KzAlert& GetAlert() const { return m_alert; }

  // Forward to the alert.
  void GetAlertMessage(KzString& out) const { m_alert.GetAlertMessage(out); }
  int doAlert(HWND owner) { return m_alert.doAlert(owner); }

 private:
  void SetFile(const char* file);
  void CopyMembers(const KzException& other);

  char m_szFile[260] = {};
  int m_line = 0;
  int m_errorCode = 0;
  KzAlert m_alert;
};
