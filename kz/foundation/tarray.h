// KzTArray: the library's growable array of plain values.
//
// The elements live in one movable block (a KzTHandle counted in elements) that the array keeps
// locked while it holds it, so GetData() stays valid until the next call that grows the array.
// Capacity grows in steps (256 elements unless the second template argument names another
// step), never shrinks, and is allocated on first use. T must be trivially copyable (pointers,
// plain records): elements are moved with memmove and never destroyed one by one.
//
// Failures: an index out of range throws 0x20010008; a failed allocation throws the utility
// library's last error (8) and leaves the array as it was.
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#include "kz/foundation/error.h"
#include "kz/foundation/handle.h"

template <typename T, int kGrowth = 0>
class KzTArray {
  static_assert(std::is_trivially_copyable_v<T>, "KzTArray moves its elements as raw bytes");
  static_assert(kGrowth >= 0, "the growth step is a count of elements");

 public:
  // Capacity steps, in elements.
  static constexpr int kStep = kGrowth != 0 ? kGrowth : 256;

  KzTArray() = default;
  // Copies hold their own block with the same elements.
  KzTArray(const KzTArray& source) { *this = source; }
  KzTArray& operator=(const KzTArray& source) {
    if (this == &source) return *this;
    Reserve(source.m_count);
    if (source.m_count > 0) {
      std::memcpy(static_cast<void*>(m_pData), source.m_pData, Bytes(source.m_count));
    }
    m_count = source.m_count;
    return *this;
  }
  virtual ~KzTArray() = default;

  // Sets the count. Growing past the capacity raises it to the next multiple of the step at or
  // above `count`; new elements are value-initialised (zero for plain values). A negative count
  // throws 0x20010008.
  void SetSize(int count) {
    if (count < 0) kzThrowError(kKzErrorParameter);
    Reserve(count);
    for (int i = m_count; i < count; ++i) new (m_pData + i) T();
    m_count = count;
  }
  int GetSize() const { return m_count; }
  int GetCount() const { return m_count; }
  int GetCapacity() const { return m_capacity; }
  int IsEmpty() const { return m_count == 0; }

  // Element access; an index outside 0 .. count - 1 throws 0x20010008.
  T& GetAt(int index) { return m_pData[Checked(index)]; }
  const T& GetAt(int index) const { return m_pData[Checked(index)]; }
  T& operator[](int index) { return GetAt(index); }
  const T& operator[](int index) const { return GetAt(index); }
  void SetAt(int index, const T& value) { m_pData[Checked(index)] = value; }

  // Appends a value and returns its index.
  int Add(const T& value) {
    InsertAt(m_count, value);
    return m_count - 1;
  }
  void PushBack(const T& value) { InsertAt(m_count, value); }
  // Inserts before `index` (0 .. count; count appends), moving the following elements up.
  // Another index throws 0x20010008. `value` may refer to an element of this array.
  void InsertAt(int index, const T& value) {
    if (index < 0 || index > m_count) kzThrowError(kKzErrorParameter);
    if (m_count == std::numeric_limits<int>::max()) kzThrowError(kKzErrorNotEnoughMemory);
    const T copy = value;  // growing may move the block `value` points into
    Reserve(m_count + 1);
    std::memmove(static_cast<void*>(m_pData + index + 1), m_pData + index, Bytes(m_count - index));
    m_pData[index] = copy;
    ++m_count;
  }
  // Removes one element, moving the following ones down. An index outside 0 .. count - 1
  // throws 0x20010008.
  void RemoveAt(int index) {
    Checked(index);
    std::memmove(static_cast<void*>(m_pData + index), m_pData + index + 1,
                 Bytes(m_count - index - 1));
    --m_count;
  }
  // Count 0; the capacity and its block are kept.
  void RemoveAll() { m_count = 0; }
  void Clear() { m_count = 0; }

  // The first element, valid until the array grows; null before the first allocation.
  T* GetData() { return m_pData; }
  const T* GetData() const { return m_pData; }
  T* begin() { return m_pData; }
  T* end() { return m_pData + m_count; }
  const T* begin() const { return m_pData; }
  const T* end() const { return m_pData + m_count; }

 private:
  int Checked(int index) const {
    if (index < 0 || index >= m_count) kzThrowError(kKzErrorParameter);
    return index;
  }
  static std::size_t Bytes(int count) { return static_cast<std::size_t>(count) * sizeof(T); }

  // Makes room for `count` elements, keeping the contents; a failure leaves everything as it was.
  void Reserve(int count) {
    if (count <= m_capacity) return;
    const std::int64_t capacity = (std::int64_t{count} + kStep - 1) / kStep * kStep;
    if (capacity > std::numeric_limits<int>::max()) kzThrowError(kKzErrorNotEnoughMemory);
    const DWORD elements = static_cast<DWORD>(capacity);
    if (!m_hElements.IsValid()) {
      m_hElements.Alloc(elements);
    } else {
      try {
        m_hElements.ReAlloc(elements);  // unlocks the block
      } catch (...) {
        m_pData = m_hElements.Lock();
        throw;
      }
    }
    m_pData = m_hElements.Lock();
    m_capacity = static_cast<int>(capacity);
  }

  KzTHandle<T> m_hElements;
  int m_capacity = 0;
  int m_count = 0;
  T* m_pData = nullptr;  // the block's address while the array holds it locked
};
