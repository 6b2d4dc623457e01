#pragma once

#include <utility>

// One owner for every handle the program opens: files, events, registry keys,
// device lists, fonts, brushes, menus. The closer is a callable type;
// a stateless one costs nothing, a stateful one (a function looked up at run
// time) is kept beside the handle. Which value means "nothing owned" is a
// policy, because some APIs report failure as null and others as -1.
namespace platform {

template <typename T>
struct NullIsNone {
    static T None() noexcept { return T{}; }
};

template <typename T, typename Closer, typename NonePolicy = NullIsNone<T>>
class Owned {
  public:
    Owned() noexcept = default;
    explicit Owned(T handle, Closer closer = Closer{}) noexcept
        : handle_(handle), closer_(std::move(closer)) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(other.Release()), closer_(std::move(other.closer_)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
            closer_ = std::move(other.closer_);
        }
        return *this;
    }
    ~Owned() { Reset(); }

    static T None() noexcept { return NonePolicy::None(); }

    T Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != None(); }

    // Gives the handle up without closing it.
    T Release() noexcept { return std::exchange(handle_, None()); }

    // Closes the handle held, if any, and takes the new one.
    void Reset(T handle = None()) noexcept {
        T old = std::exchange(handle_, handle);
        if (old != None()) closer_(old);
    }

    // For APIs that return a handle through an out parameter: closes what is
    // held and hands out the slot.
    T* Put() noexcept {
        Reset();
        return &handle_;
    }

  private:
    T handle_ = None();
    [[no_unique_address]] Closer closer_{};
};

}  // namespace platform
