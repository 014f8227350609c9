#pragma once

#include <cstddef>
#include <utility>

// Owner of one reference to a COM interface: released when the owner goes, so every failure
// path gives back what it holds. Move-only; a second owner takes its own reference with share().
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ~ComPtr() { reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }

    // Takes over a reference the caller already holds.
    static ComPtr adopt(T* pointer) {
        ComPtr owner;
        owner.pointer_ = pointer;
        return owner;
    }

    // A second owner of the same object, with a reference of its own.
    ComPtr share() const {
        if (pointer_) {
            pointer_->AddRef();
        }
        return adopt(pointer_);
    }

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For creation calls that hand out a new reference through T**: whatever was held is
    // released first.
    T** put() {
        reset();
        return &pointer_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    void reset() {
        if (pointer_) {
            T* old = pointer_;
            pointer_ = nullptr;
            old->Release();
        }
    }

private:
    T* pointer_ = nullptr;
};
