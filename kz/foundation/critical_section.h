// KzCriticalSection and its scoped helper, for callers that share objects between threads.
//
// The section is recursive (the owning thread may enter it again) and does nothing until
// Initialize creates it, so a section can live in an object that is only sometimes shared.
#pragma once

#include "win32/types.h"

class KzCriticalSection {
 public:
  KzCriticalSection() = default;
  KzCriticalSection(const KzCriticalSection&) = delete;
  KzCriticalSection& operator=(const KzCriticalSection&) = delete;
  // Deletes the section.
  ~KzCriticalSection();

  // Creates the section; a second call does nothing.
  void Initialize();
  // Destroys the section; Enter and Leave do nothing again until the next Initialize.
  void Delete();
  // Enter and leave; both do nothing before Initialize.
  void EnterSection();
  void LeaveSection();
  int IsInitialized() const { return m_pSection != nullptr; }

 private:
  CRITICAL_SECTION* m_pSection = nullptr;
  CRITICAL_SECTION m_section{};
};

// Enters a section on construction and leaves it on destruction or Leave. A null section is
// allowed and does nothing.
class KzCriticalSectionAutoLeave {
 public:
  KzCriticalSectionAutoLeave() = default;
  explicit KzCriticalSectionAutoLeave(KzCriticalSection* section) { Enter(section); }
  KzCriticalSectionAutoLeave(const KzCriticalSectionAutoLeave&) = delete;
  KzCriticalSectionAutoLeave& operator=(const KzCriticalSectionAutoLeave&) = delete;
  ~KzCriticalSectionAutoLeave() { Leave(); }

  // Leaves the section held (if any), then remembers and enters `section`.
  void Enter(KzCriticalSection* section);
  // Leaves the section held, once; later calls and the destructor do nothing.
  void Leave();

 private:
  KzCriticalSection* m_pSection = nullptr;
};
