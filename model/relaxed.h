#pragma once

#include <atomic>

// A field that the playback timer thread reads (or writes) while the interface
// thread works on the same Setup. Every access is one relaxed atomic load or
// store, so a value is always seen whole and no lock is ever taken. Nothing is
// ordered between different fields; none of the shared fields needs that.
//
// It behaves like the plain value: it converts to T, takes assignments of T and
// copies by value. Compound operations are a load followed by a store, which is
// enough because each shared field has exactly one writing thread.
//
// Where a plain T is required (printf arguments, template argument deduction as
// in std::min), call Load().
template <class T>
class Relaxed {
  static_assert(std::atomic<T>::is_always_lock_free,
                "a shared field must be readable without a lock on every target");

 public:
  constexpr Relaxed() noexcept : value_(T()) {}
  constexpr Relaxed(T value) noexcept : value_(value) {}  // NOLINT: implicit by design
  Relaxed(const Relaxed& other) noexcept : value_(other.Load()) {}

  Relaxed& operator=(const Relaxed& other) noexcept {
    Store(other.Load());
    return *this;
  }
  Relaxed& operator=(T value) noexcept {
    Store(value);
    return *this;
  }

  operator T() const noexcept { return Load(); }  // NOLINT: implicit by design

  T Load() const noexcept { return value_.load(std::memory_order_relaxed); }
  void Store(T value) noexcept { value_.store(value, std::memory_order_relaxed); }

  // Sequentially consistent access, for the few hand-overs between threads
  // that depend on the order of two different fields (see TriggerGate).
  T LoadOrdered() const noexcept { return value_.load(std::memory_order_seq_cst); }
  T ExchangeOrdered(T value) noexcept { return value_.exchange(value, std::memory_order_seq_cst); }

  Relaxed& operator++() noexcept {
    Store(static_cast<T>(Load() + 1));
    return *this;
  }
  Relaxed& operator--() noexcept {
    Store(static_cast<T>(Load() - 1));
    return *this;
  }
  T operator++(int) noexcept {
    T old = Load();
    Store(static_cast<T>(old + 1));
    return old;
  }
  T operator--(int) noexcept {
    T old = Load();
    Store(static_cast<T>(old - 1));
    return old;
  }
  template <class U>
  Relaxed& operator+=(U delta) noexcept {
    Store(static_cast<T>(Load() + delta));
    return *this;
  }
  template <class U>
  Relaxed& operator-=(U delta) noexcept {
    Store(static_cast<T>(Load() - delta));
    return *this;
  }

 private:
  std::atomic<T> value_;
};
