// Move-only owners for platform handles: each closes its handle exactly once,
// with the function that matches the kind of handle.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <utility>

namespace win {

template <typename T, typename Traits>
class Unique {
public:
    Unique() noexcept = default;
    explicit Unique(T handle) noexcept : m_handle(handle) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : m_handle(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~Unique() { reset(); }

    T get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return Traits::Valid(m_handle); }
    T release() noexcept { return std::exchange(m_handle, Traits::Invalid()); }
    void reset(T handle = Traits::Invalid()) noexcept {
        if (Traits::Valid(m_handle))
            Traits::Close(m_handle);
        m_handle = handle;
    }
    // For out-parameters of creation functions: releases the old handle first.
    T* put() noexcept {
        reset();
        return &m_handle;
    }

private:
    T m_handle = Traits::Invalid();
};

struct KernelHandleTraits {
    static HANDLE Invalid() noexcept { return nullptr; }
    static bool Valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(HANDLE h) noexcept { ::FindClose(h); }
};
struct RegKeyTraits {
    static HKEY Invalid() noexcept { return nullptr; }
    static bool Valid(HKEY h) noexcept { return h != nullptr; }
    static void Close(HKEY h) noexcept { ::RegCloseKey(h); }
};
template <typename G>
struct GdiTraits {
    static G Invalid() noexcept { return nullptr; }
    static bool Valid(G h) noexcept { return h != nullptr; }
    static void Close(G h) noexcept { ::DeleteObject(h); }
};
struct IconTraits {
    static HICON Invalid() noexcept { return nullptr; }
    static bool Valid(HICON h) noexcept { return h != nullptr; }
    static void Close(HICON h) noexcept { ::DestroyIcon(h); }
};

using UniqueHandle = Unique<HANDLE, KernelHandleTraits>;  // mutexes, threads, events
using UniqueFile = Unique<HANDLE, FileHandleTraits>;
using UniqueFind = Unique<HANDLE, FindHandleTraits>;
using UniqueKey = Unique<HKEY, RegKeyTraits>;
using UniqueBitmap = Unique<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueBrush = Unique<HBRUSH, GdiTraits<HBRUSH>>;
using UniqueFont = Unique<HFONT, GdiTraits<HFONT>>;
using UniqueRgn = Unique<HRGN, GdiTraits<HRGN>>;
using UniquePen = Unique<HPEN, GdiTraits<HPEN>>;
using UniqueIcon = Unique<HICON, IconTraits>;

// Undoes a SelectObject when it leaves scope.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) noexcept : m_dc(dc), m_old(::SelectObject(dc, object)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Keeps COM initialised on this thread for its lifetime.
class ComApartment {
public:
    ComApartment() noexcept : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }
    bool ok() const noexcept { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

}  // namespace win
