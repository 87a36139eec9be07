// COM on a thread, and the owner of an interface pointer.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

// Initialises COM on the calling thread for its lifetime.
class TComInitializer {
public:
    // A window's thread needs a single-threaded apartment (the folder dialog, the shell's
    // window-bound objects); a thread without windows may take the multithreaded one, which
    // needs no hidden window of its own.
    explicit TComInitializer(DWORD Model = COINIT_APARTMENTTHREADED) noexcept
        : FResult(CoInitializeEx(nullptr, Model)) {}
    TComInitializer(const TComInitializer&) = delete;
    TComInitializer& operator=(const TComInitializer&) = delete;
    ~TComInitializer() {
        if (SUCCEEDED(FResult)) {
            CoUninitialize();
        }
    }

private:
    HRESULT FResult;
};

// Owns a COM interface pointer.
template <typename T> class TComPtr {
public:
    TComPtr() noexcept = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            FPtr = std::exchange(other.FPtr, nullptr);
        }
        return *this;
    }
    ~TComPtr() { Reset(); }

    T* Get() const noexcept { return FPtr; }
    T* operator->() const noexcept { return FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    // For out-parameters: releases the current pointer first.
    T** Put() noexcept {
        Reset();
        return &FPtr;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    void Reset() noexcept {
        if (FPtr) {
            FPtr->Release();
            FPtr = nullptr;
        }
    }

private:
    T* FPtr = nullptr;
};
