// KzStringArray and KzWideStringArray: arrays of string pointers that own the strings.
//
// Both hold one KzTArray of pointers. The array deletes what it holds in AllDelete and in its
// destructor; RemoveAt and Clear only let go of the pointers, handing the objects back to the
// caller. Copies are deep: each string is copied, so two arrays never share an object.
// KzOwnedPtrArray is the common template, for other owning pointer arrays as well.
#pragma once

#include "kz/foundation/kzstring.h"
#include "kz/foundation/tarray.h"
#include "kz/foundation/wide_string.h"

template <typename T>
class KzOwnedPtrArray {
 public:
  using Array = KzTArray<T*, 0>;

  KzOwnedPtrArray() = default;
  // Copies every object. On failure nothing is left behind, the target of an assignment keeps
  // what it held, and the error is rethrown.
  KzOwnedPtrArray(const KzOwnedPtrArray& other) { CopyFrom(other); }
  KzOwnedPtrArray& operator=(const KzOwnedPtrArray& other) {
    if (this != &other) {
      KzOwnedPtrArray copy(other);
      // Make room first, so that nothing after AllDelete can fail.
      const int count = m_array.GetCount();
      if (copy.GetCount() > count) {
        m_array.SetSize(copy.GetCount());
        m_array.SetSize(count);
      }
      AllDelete();
      m_array = copy.m_array;  // the pointers move over; `copy` lets go of them
      copy.m_array.Clear();
    }
    return *this;
  }
  virtual ~KzOwnedPtrArray() { AllDelete(); }

  // Appends `object` and takes ownership. If the array cannot grow it throws and the caller
  // keeps the object.
  void PushBack(T* object) { m_array.PushBack(object); }
  // Inserts before `index`; an index outside 0 .. count - 1 appends. Ownership as PushBack.
  void InsertAt(int index, T* object) {
    if (index < 0 || index >= m_array.GetCount()) {
      m_array.PushBack(object);
    } else {
      m_array.InsertAt(index, object);
    }
  }
  // Removes the pointer without deleting the object (the caller owns it again); an invalid
  // index is ignored.
  void RemoveAt(int index) {
    if (index >= 0 && index < m_array.GetCount()) m_array.RemoveAt(index);
  }
  // The object at `index`; an index outside 0 .. count - 1 throws 0x20010008.
  T* GetAt(int index) const { return m_array.GetAt(index); }
  int GetCount() const { return m_array.GetCount(); }
  // Count 0 without deleting the objects (the caller owns them again).
  void Clear() { m_array.Clear(); }
  // Deletes every object, last first, then count 0.
  void AllDelete() {
    for (int i = m_array.GetCount() - 1; i >= 0; --i) delete m_array.GetAt(i);
    m_array.Clear();
  }
  // The inner array of pointers.
  Array* GetArrayPointer() { return &m_array; }
  const Array* GetArrayPointer() const { return &m_array; }

 private:
  void CopyFrom(const KzOwnedPtrArray& other) {
    try {
      for (int i = 0; i < other.GetCount(); ++i) {
        T* object = new T(*other.GetAt(i));
        try {
          m_array.PushBack(object);
        } catch (...) {
          delete object;
          throw;
        }
      }
    } catch (...) {
      AllDelete();
      throw;
    }
  }

  Array m_array;
};

class KzStringArray : public KzOwnedPtrArray<KzString> {};
class KzWideStringArray : public KzOwnedPtrArray<KzWideString> {};
