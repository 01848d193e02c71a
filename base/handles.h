// Owners for every kind of handle the program holds: one small move-only
// type per kind, closing its handle exactly once.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <winsvc.h>

#include <utility>

#include "base/system_api.h"

namespace rs {

template <typename T, typename Traits>
class unique_handle_t {
public:
    unique_handle_t() noexcept = default;
    explicit unique_handle_t(T h) noexcept : h_(h) {}
    unique_handle_t(const unique_handle_t&) = delete;
    unique_handle_t& operator=(const unique_handle_t&) = delete;
    unique_handle_t(unique_handle_t&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
    unique_handle_t& operator=(unique_handle_t&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Traits::invalid()));
        return *this;
    }
    ~unique_handle_t() { reset(); }

    T get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != Traits::invalid(); }
    T release() noexcept { return std::exchange(h_, Traits::invalid()); }
    void reset(T h = Traits::invalid()) noexcept {
        T old = std::exchange(h_, h);
        if (old != Traits::invalid()) Traits::close(old);
    }
    // For out-parameters: frees what is held, then hands out the slot.
    T* put() noexcept {
        reset();
        return &h_;
    }

private:
    T h_ = Traits::invalid();
};

struct hkey_traits {
    static HKEY invalid() noexcept { return nullptr; }
    static void close(HKEY h) noexcept { RegCloseKey(h); }
};
struct schandle_traits {
    static SC_HANDLE invalid() noexcept { return nullptr; }
    static void close(SC_HANDLE h) noexcept { CloseServiceHandle(h); }
};
struct handle_traits {  // process, thread, event: null when absent
    static HANDLE invalid() noexcept { return nullptr; }
    static void close(HANDLE h) noexcept { CloseHandle(h); }
};
struct file_traits {  // CreateFile: INVALID_HANDLE_VALUE when absent
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { CloseHandle(h); }
};
struct find_traits {
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { FindClose(h); }
};
struct hmodule_traits {
    static HMODULE invalid() noexcept { return nullptr; }
    static void close(HMODULE h) noexcept { FreeLibrary(h); }
};
struct hlocal_traits {
    static HLOCAL invalid() noexcept { return nullptr; }
    static void close(HLOCAL h) noexcept { LocalFree(h); }
};
struct gdi_traits {
    static HGDIOBJ invalid() noexcept { return nullptr; }
    static void close(HGDIOBJ h) noexcept { DeleteObject(h); }
};

using unique_hkey = unique_handle_t<HKEY, hkey_traits>;
using unique_schandle = unique_handle_t<SC_HANDLE, schandle_traits>;
using unique_handle = unique_handle_t<HANDLE, handle_traits>;
using unique_hfile = unique_handle_t<HANDLE, file_traits>;
using unique_hfind = unique_handle_t<HANDLE, find_traits>;
using unique_hmodule = unique_handle_t<HMODULE, hmodule_traits>;
using unique_hlocal = unique_handle_t<HLOCAL, hlocal_traits>;
using unique_gdiobj = unique_handle_t<HGDIOBJ, gdi_traits>;

// A COM interface pointer, released once.
template <typename I>
class com_ptr {
public:
    com_ptr() noexcept = default;
    explicit com_ptr(I* p) noexcept : p_(p) {}
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;
    com_ptr(com_ptr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    com_ptr& operator=(com_ptr&& o) noexcept {
        if (this != &o) reset(std::exchange(o.p_, nullptr));
        return *this;
    }
    ~com_ptr() { reset(); }
    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset(I* p = nullptr) noexcept {
        I* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    I** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
    I* p_ = nullptr;
};

// An item identifier list, freed through the shell allocator that gave it.
class unique_pidl {
public:
    unique_pidl() noexcept = default;
    unique_pidl(IMalloc* alloc, LPITEMIDLIST p) noexcept : alloc_(alloc), p_(p) {}
    unique_pidl(const unique_pidl&) = delete;
    unique_pidl& operator=(const unique_pidl&) = delete;
    unique_pidl(unique_pidl&& o) noexcept : alloc_(o.alloc_), p_(std::exchange(o.p_, nullptr)) {}
    unique_pidl& operator=(unique_pidl&& o) noexcept {
        if (this != &o) {
            reset();
            alloc_ = o.alloc_;
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ~unique_pidl() { reset(); }
    LPITEMIDLIST get() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void reset() noexcept {
        LPITEMIDLIST old = std::exchange(p_, nullptr);
        if (old && alloc_) alloc_->Free(old);
    }
    // The allocator must outlive the list; it is not reference-counted here.
    LPITEMIDLIST* put(IMalloc* alloc) noexcept {
        reset();
        alloc_ = alloc;
        return &p_;
    }

private:
    IMalloc* alloc_ = nullptr;
    LPITEMIDLIST p_ = nullptr;
};

// CoInitialize on entry, CoUninitialize once on every way out.
class com_apartment {
public:
    com_apartment() noexcept { sysapi::CoInitialize(nullptr); }
    com_apartment(const com_apartment&) = delete;
    com_apartment& operator=(const com_apartment&) = delete;
    ~com_apartment() { sysapi::CoUninitialize(); }
};

}  // namespace rs
