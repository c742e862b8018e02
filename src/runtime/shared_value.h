// A scalar that both threads read and write. Relaxed order is enough: every value is read on its
// own and no other data is published through it.
#pragma once

#include <atomic>

template <class T>
class Shared {
public:
    constexpr Shared(T value = T()) : value_(value) {}
    Shared(const Shared& other) : value_(other.load()) {}
    Shared& operator=(const Shared& other) {
        store(other.load());
        return *this;
    }
    Shared& operator=(T value) {
        store(value);
        return *this;
    }
    operator T() const { return load(); }
    T load() const { return value_.load(std::memory_order_relaxed); }
    void store(T value) { value_.store(value, std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};
