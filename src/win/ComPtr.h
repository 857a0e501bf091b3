// Owners for COM references and for buffers a COM server hands out with
// CoTaskMemAlloc, so that no path leaks a reference or a buffer.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <cstddef>
#include <memory>
#include <utility>

namespace win {

template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* p) noexcept {
        ComPtr out;
        out.m_p = p;
        return out;
    }
    ComPtr(const ComPtr& other) noexcept : m_p(other.m_p) {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    void reset() noexcept {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    T* detach() noexcept { return std::exchange(m_p, nullptr); }

    // For out-parameters: releases what is held first.
    T** put() noexcept {
        reset();
        return &m_p;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // QueryInterface into another owner; false (and `out` empty) on failure.
    template <typename U>
    bool As(REFIID iid, ComPtr<U>& out) const noexcept {
        out.reset();
        if (!m_p)
            return false;
        if (FAILED(m_p->QueryInterface(iid, out.put_void())) || !out) {
            out.reset();
            return false;
        }
        return true;
    }

private:
    T* m_p = nullptr;
};

struct CoTaskMemFreer {
    void operator()(void* p) const noexcept { ::CoTaskMemFree(p); }
};

// A buffer allocated by a COM server with CoTaskMemAlloc.
template <typename T>
using CoTaskMemPtr = std::unique_ptr<T, CoTaskMemFreer>;

// Receives a CoTaskMem buffer through an out-parameter and owns it from then
// on, whether the call succeeded or not.
template <typename T>
class CoTaskMemOut {
public:
    CoTaskMemOut() noexcept = default;
    CoTaskMemOut(const CoTaskMemOut&) = delete;
    CoTaskMemOut& operator=(const CoTaskMemOut&) = delete;
    ~CoTaskMemOut() { ::CoTaskMemFree(m_p); }

    T** put() noexcept {
        ::CoTaskMemFree(std::exchange(m_p, nullptr));
        return &m_p;
    }
    T* get() const noexcept { return m_p; }

private:
    T* m_p = nullptr;
};

// The size of a block allocated with CoTaskMemAlloc, as the task allocator
// knows it; 0 for null or when the allocator cannot tell. Lets a reader of a
// self-describing buffer stay within what was really allocated.
inline size_t CoTaskMemSize(const void* block) noexcept {
    if (!block)
        return 0;
    IMalloc* malloc = nullptr;
    if (FAILED(::CoGetMalloc(1, &malloc)) || !malloc)
        return 0;
    const SIZE_T size = malloc->GetSize(const_cast<void*>(block));
    malloc->Release();
    return size == static_cast<SIZE_T>(-1) ? 0 : static_cast<size_t>(size);
}

}  // namespace win
