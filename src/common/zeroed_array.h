#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace korvel {

// A large array from calloc. The system hands out untouched zero pages, which cost nothing
// until they are used: a short replay touches the few pages it needs, not megabytes, where
// zero-initialising the array would write them all. The element types are aggregates that
// zero bytes make whole.
struct FreeStorage {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using ZeroedArray = std::unique_ptr<T[], FreeStorage>;

template <typename T>
ZeroedArray<T> zeroed_array(size_t n) {
    static_assert(std::is_aggregate_v<T> && std::is_trivially_copyable_v<T> &&
                  std::is_trivially_destructible_v<T>);
    void* storage = std::calloc(n, sizeof(T));
    if (storage == nullptr) throw std::bad_alloc();
    return ZeroedArray<T>(static_cast<T*>(storage));
}

}  // namespace korvel
