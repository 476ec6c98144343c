// The engine's two array templates: a non-owning view and an owning, geometrically growing array.
// Every list, stack, text copy and match result of the engine is one of them.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "regex/CharTraits.h"

// A view of `Size()` elements that someone else owns.
template <class T> class CBufferRefT {
public:
    CBufferRefT() = default;
    CBufferRefT(const T* pData, int nSize) : m_pRef(pData), m_nSize(nSize) {}
    // For characters: a NUL-terminated string, without its NUL.
    explicit CBufferRefT(const char* pString) requires std::is_same_v<T, char>
        : m_pRef(pString), m_nSize(pString ? CountChars(pString) : 0) {}
    CBufferRefT(const CBufferRefT&) = default;
    CBufferRefT& operator=(const CBufferRefT&) = default;
    virtual ~CBufferRefT() = default;

    int Size() const { return m_nSize; }

    // Never null: an empty view reads as an empty string.
    const T* Data() const { return m_pRef ? m_pRef : &kZero; }

    // The element at nIndex, or the default when nIndex lies outside the view.
    T At(int nIndex, T def = T()) const { return nIndex >= 0 && nIndex < m_nSize ? m_pRef[nIndex] : def; }
    const T& operator[](int nIndex) const { return m_pRef[nIndex]; }

    // Compares the view's bytes with those at pOther: the difference of the first unequal pair, as signed
    // bytes, or 0.
    int Compare(const char* pOther) const requires std::is_same_v<T, char> {
        for (int i = 0; i < m_nSize; ++i) {
            if (m_pRef[i] != pOther[i])
                return static_cast<signed char>(m_pRef[i]) - static_cast<signed char>(pOther[i]);
        }
        return 0;
    }

    // As Compare, with a pair also equal when both bytes upper-case to the same value.
    int CompareNoCase(const char* pOther) const requires std::is_same_v<T, char> {
        for (int i = 0; i < m_nSize; ++i) {
            if (m_pRef[i] != pOther[i] && ToUpper(m_pRef[i]) != ToUpper(pOther[i]))
                return static_cast<signed char>(m_pRef[i]) - static_cast<signed char>(pOther[i]);
        }
        return 0;
    }

    // 0 when both views have the same size and equal bytes ignoring case, otherwise nonzero.
    int EqualNoCase(const CBufferRefT& other) const requires std::is_same_v<T, char> {
        return m_nSize == other.m_nSize ? CompareNoCase(other.Data()) : 1;
    }

protected:
    static int CountChars(const char* p) {
        size_t n = std::strlen(p);
        return n > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
    }

    const T* m_pRef = nullptr;
    int m_nSize = 0;

private:
    static constexpr T kZero{};
};

// An owning array of plain values, grown with realloc: the first step holds 8 elements, later steps double.
// A failed allocation, or a size beyond what an int can count, throws std::bad_alloc.
template <class T> class CBufferT : public CBufferRefT<T> {
    static_assert(std::is_trivially_copyable_v<T>, "elements are copied bytewise");
    using Base = CBufferRefT<T>;

public:
    CBufferT() = default;
    // For characters: a copy of nSize bytes with a NUL stored after them (not counted).
    CBufferT(const char* pData, int nSize) requires std::is_same_v<T, char> {
        Reserve(static_cast<long long>(nSize) + 1);
        if (nSize > 0) std::memcpy(m_pBuffer, pData, static_cast<size_t>(nSize));
        m_pBuffer[nSize] = 0;
        this->m_nSize = nSize;
    }
    CBufferT(const CBufferT& other) : Base() {
        if (other.m_nSize > 0) Append(other.m_pBuffer, other.m_nSize, 0);
    }
    CBufferT(CBufferT&& other) noexcept : Base() { Swap(other); }
    CBufferT& operator=(const CBufferT& other) {
        if (this != &other) {
            CBufferT copy(other);
            Swap(copy);
        }
        return *this;
    }
    CBufferT& operator=(CBufferT&& other) noexcept {
        if (this != &other) {
            Release();
            Swap(other);
        }
        return *this;
    }
    ~CBufferT() override { std::free(m_pBuffer); }

    int Capacity() const { return m_nCapacity; }
    const T* Data() const { return Base::Data(); }
    T& operator[](int nIndex) { return m_pBuffer[nIndex]; }
    const T& operator[](int nIndex) const { return m_pBuffer[nIndex]; }

    void Push(const T& value) {
        if (this->m_nSize >= m_nCapacity) {
            long long nGrown = 2LL * m_nCapacity;
            Reserve(nGrown < 7 ? 8 : nGrown);
        }
        m_pBuffer[this->m_nSize++] = value;
    }

    // Takes the top element into out and returns 1; an empty buffer returns 0 and leaves out alone.
    int Pop(T& out) {
        if (this->m_nSize <= 0) return 0;
        out = m_pBuffer[--this->m_nSize];
        return 1;
    }

    // Sets the size to nSize, keeping the storage. Only shrinks: a size outside 0..Size() is clamped,
    // so stale elements beyond the top can never become visible again.
    void Truncate(int nSize) {
        if (nSize < 0) nSize = 0;
        if (nSize < this->m_nSize) this->m_nSize = nSize;
    }

    // Makes nIndex a valid index; new elements are filled bytewise with the fill value's low byte.
    void EnsureIndex(int nIndex, int fill) {
        if (nIndex < 0) return;
        long long nNeeded = static_cast<long long>(nIndex) + 1;
        if (m_nCapacity < nNeeded) {
            long long nCapacity = m_nCapacity < 8 ? 8 : m_nCapacity;
            if (nCapacity < nNeeded) nCapacity *= 2;
            if (nCapacity < nNeeded) nCapacity = (nNeeded + 11) / 8 * 8;
            Reserve(nCapacity);
        }
        if (this->m_nSize < nNeeded) {
            std::memset(static_cast<void*>(m_pBuffer + this->m_nSize), fill,
                        static_cast<size_t>(nNeeded - this->m_nSize) * sizeof(T));
            this->m_nSize = static_cast<int>(nNeeded);
        }
    }

    // Appends n elements; with terminate, a zero element is stored after them and not counted.
    void Append(const T* pData, int n, int terminate) {
        if (n < 0) n = 0;
        long long nCapacity = m_nCapacity < 8 ? 8 : m_nCapacity;
        long long nNeed = static_cast<long long>(this->m_nSize) + n + (terminate ? 1 : 0);
        if (nCapacity < nNeed) nCapacity *= 2;
        if (nCapacity < nNeed) nCapacity = (nNeed + 11) / 8 * 8;
        if (nCapacity > m_nCapacity) Reserve(nCapacity);
        if (n > 0)
            std::memcpy(static_cast<void*>(m_pBuffer + this->m_nSize), pData, static_cast<size_t>(n) * sizeof(T));
        this->m_nSize += n;
        if (terminate) std::memset(static_cast<void*>(m_pBuffer + this->m_nSize), 0, sizeof(T));
    }

    // Hands the storage to the caller (who frees it with free) and becomes empty.
    T* Detach() {
        T* p = m_pBuffer;
        m_pBuffer = nullptr;
        this->m_pRef = nullptr;
        this->m_nSize = 0;
        m_nCapacity = 0;
        return p;
    }
    void Release() { std::free(Detach()); }

private:
    void Reserve(long long nCapacity) {
        if (nCapacity <= m_nCapacity) return;
        if (nCapacity > INT_MAX || static_cast<unsigned long long>(nCapacity) > SIZE_MAX / sizeof(T))
            throw std::bad_alloc();
        void* p = std::realloc(static_cast<void*>(m_pBuffer), static_cast<size_t>(nCapacity) * sizeof(T));
        if (!p) throw std::bad_alloc();
        m_pBuffer = static_cast<T*>(p);
        this->m_pRef = m_pBuffer;
        m_nCapacity = static_cast<int>(nCapacity);
    }
    void Swap(CBufferT& other) noexcept {
        std::swap(m_pBuffer, other.m_pBuffer);
        std::swap(m_nCapacity, other.m_nCapacity);
        std::swap(this->m_nSize, other.m_nSize);
        this->m_pRef = m_pBuffer;
        other.m_pRef = other.m_pBuffer;
    }

    T* m_pBuffer = nullptr;
    int m_nCapacity = 0;
};
