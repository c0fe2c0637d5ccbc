#pragma once
// One owning, move-only wrapper per handle kind. Feature code never calls a raw close or free
// function (CloseHandle, RegCloseKey, DeleteObject, LocalFree, CoTaskMemFree, ...): it lets one
// of these go out of scope.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <string>
#include <utility>

namespace purgeon {

// Traits give the close call and, where it is not null, the invalid value.
template <typename T, typename Traits>
class UniqueResource {
    static T Invalid() { return Traits::invalid(); }

public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    T get() const { return value_; }
    explicit operator bool() const { return value_ != Invalid(); }
    // For out-parameters: releases what was held first.
    T* put() { reset(); return &value_; }
    T release() { return std::exchange(value_, Invalid()); }
    void reset(T value = Invalid()) {
        if (value_ != Invalid()) Traits::close(value_);
        value_ = value;
    }

private:
    T value_ = Invalid();
};

template <typename T, auto Close>
struct NullIsInvalid {
    static T invalid() { return nullptr; }
    static void close(T value) { Close(value); }
};
struct FindTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};

using UniqueHKey = UniqueResource<HKEY, NullIsInvalid<HKEY, RegCloseKey>>;
using UniqueHandle = UniqueResource<HANDLE, NullIsInvalid<HANDLE, CloseHandle>>;
using UniqueFindHandle = UniqueResource<HANDLE, FindTraits>;
using UniqueModule = UniqueResource<HMODULE, NullIsInvalid<HMODULE, FreeLibrary>>;
// GDI objects, one type per kind, so each hands out its own handle type without a cast.
using UniqueFont = UniqueResource<HFONT, NullIsInvalid<HFONT, DeleteObject>>;
using UniqueBitmap = UniqueResource<HBITMAP, NullIsInvalid<HBITMAP, DeleteObject>>;
using UniqueBrush = UniqueResource<HBRUSH, NullIsInvalid<HBRUSH, DeleteObject>>;
using UniquePen = UniqueResource<HPEN, NullIsInvalid<HPEN, DeleteObject>>;
using UniqueRegion = UniqueResource<HRGN, NullIsInvalid<HRGN, DeleteObject>>;
using UniqueImageList = UniqueResource<HIMAGELIST, NullIsInvalid<HIMAGELIST, ImageList_Destroy>>;
using UniqueMenu = UniqueResource<HMENU, NullIsInvalid<HMENU, DestroyMenu>>;
using UniqueHook = UniqueResource<HHOOK, NullIsInvalid<HHOOK, UnhookWindowsHookEx>>;
using UniqueIcon = UniqueResource<HICON, NullIsInvalid<HICON, DestroyIcon>>;
using UniqueWindow = UniqueResource<HWND, NullIsInvalid<HWND, DestroyWindow>>;

using UniqueDc = UniqueResource<HDC, NullIsInvalid<HDC, DeleteDC>>;  // CreateCompatibleDC and kin

// Memory the system allocated for the caller: LocalAlloc'd (FormatMessage, CommandLineToArgvW,
// security descriptors) and CoTaskMemAlloc'd (shell folder paths).
template <typename T>
using UniqueLocal = UniqueResource<T*, NullIsInvalid<T*, LocalFree>>;
template <typename T>
using UniqueCoTaskMem = UniqueResource<T*, NullIsInvalid<T*, CoTaskMemFree>>;

// A device context from GetDC/GetWindowDC, given back to its window.
class WindowDc {
public:
    explicit WindowDc(HWND window, bool wholeWindow = false)
        : window_(window), dc_(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
    ~WindowDc() { if (dc_) ReleaseDC(window_, dc_); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// A window's painting between BeginPaint and EndPaint.
class PaintSession {
public:
    explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintSession() { EndPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back at scope end.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() { if (previous_) SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// File functions report failure as INVALID_HANDLE_VALUE rather than null.
inline UniqueHandle AdoptFileHandle(HANDLE handle) {
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// Closes a handle now and tells whether the close itself succeeded: a file's last written
// bytes may fail to reach the disk only then.
inline bool CloseChecked(UniqueHandle& handle) {
    HANDLE raw = handle.release();
    return raw && CloseHandle(raw);
}

// A BSTR owned by the caller, as COM out-parameters hand them over.
class UniqueBstr {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    UniqueBstr(const wchar_t* text, size_t length)
        : value_(SysAllocStringLen(text, static_cast<UINT>(length))) {}
    ~UniqueBstr() { reset(); }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    UniqueBstr(UniqueBstr&& other) noexcept : value_(other.release()) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        if (this != &other) { reset(); value_ = other.release(); }
        return *this;
    }
    BSTR get() const { return value_; }
    BSTR* put() { reset(); return &value_; }
    BSTR release() { return std::exchange(value_, nullptr); }
    void reset() { if (value_) SysFreeString(value_); value_ = nullptr; }
    std::wstring str() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : std::wstring(); }

private:
    BSTR value_ = nullptr;
};

class UniqueVariant {
public:
    UniqueVariant() { VariantInit(&value_); }
    ~UniqueVariant() { VariantClear(&value_); }
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    VARIANT* get() { return &value_; }
    VARIANT* put() { VariantClear(&value_); return &value_; }

private:
    VARIANT value_;
};

// Owning COM interface pointer.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) : ptr_(other.ptr_) { if (ptr_) ptr_->AddRef(); }
    ComPtr& operator=(const ComPtr& other) {
        if (other.ptr_) other.ptr_->AddRef();
        reset();
        ptr_ = other.ptr_;
        return *this;
    }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) { reset(); ptr_ = std::exchange(other.ptr_, nullptr); }
        return *this;
    }
    // Takes over a reference the caller already owns.
    static ComPtr attach(T* raw) { ComPtr p; p.ptr_ = raw; return p; }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    T** put() { reset(); return &ptr_; }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() { if (ptr_) std::exchange(ptr_, nullptr)->Release(); }

private:
    T* ptr_ = nullptr;
};

// Balances CoInitializeEx on the thread that made it.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED)
        : result_(CoInitializeEx(nullptr, model)) {}
    ~ComApartment() { if (SUCCEEDED(result_)) CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace purgeon
