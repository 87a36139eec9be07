// The one owner of every handle that needs nothing but itself to be closed: a kernel handle,
// a registry key, a search, a module, a GDI object, a hook, memory of the shell or the system.
// Close is the function that closes it, IsValid tells a handle to close from the values that
// mean "none". Copy is deleted, move transfers ownership.
//
//   using TFindHandle = TUniqueHandle<HANDLE, FindClose, NotNullOrInvalid>;
#pragma once

#include <utility>

template <typename T> constexpr bool NotNull(T Value) noexcept {
    return Value != T{};
}

template <typename T, auto Close, bool (*IsValid)(T) = NotNull<T>> class TUniqueHandle {
public:
    TUniqueHandle() noexcept = default;
    explicit TUniqueHandle(T Value) noexcept : FValue(Value) {}
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& Other) noexcept : FValue(std::exchange(Other.FValue, T{})) {}
    TUniqueHandle& operator=(TUniqueHandle&& Other) noexcept {
        if (this != &Other) {
            Reset(std::exchange(Other.FValue, T{}));
        }
        return *this;
    }
    ~TUniqueHandle() { Reset(); }

    T Get() const noexcept { return FValue; }
    bool Valid() const noexcept { return IsValid(FValue); }
    explicit operator bool() const noexcept { return Valid(); }
    // Closes the handle held, if any, and holds Value instead.
    void Reset(T Value = T{}) noexcept {
        if (IsValid(FValue)) {
            Close(FValue);
        }
        FValue = Value;
    }
    // Gives the handle up without closing it.
    T Release() noexcept { return std::exchange(FValue, T{}); }
    // For out-parameters: closes the handle held first.
    T* Put() noexcept {
        Reset();
        return &FValue;
    }

private:
    T FValue{};
};
