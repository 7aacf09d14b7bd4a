#include "kz/foundation/critical_section.h"

#include "win32/win32.h"

KzCriticalSection::~KzCriticalSection() { Delete(); }

void KzCriticalSection::Initialize() {
  if (m_pSection) return;
  InitializeCriticalSection(&m_section);
  m_pSection = &m_section;
}

void KzCriticalSection::Delete() {
  if (!m_pSection) return;
  DeleteCriticalSection(m_pSection);
  m_pSection = nullptr;
}

void KzCriticalSection::EnterSection() {
  if (m_pSection) EnterCriticalSection(m_pSection);
}

void KzCriticalSection::LeaveSection() {
  if (m_pSection) LeaveCriticalSection(m_pSection);
}

void KzCriticalSectionAutoLeave::Enter(KzCriticalSection* section) {
  Leave();
  m_pSection = section;
  if (m_pSection) m_pSection->EnterSection();
}

void KzCriticalSectionAutoLeave::Leave() {
  if (m_pSection) m_pSection->LeaveSection();
  m_pSection = nullptr;
}
