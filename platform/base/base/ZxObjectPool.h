#pragma once
// Pool of reusable objects (typically buffers) handed out as std::shared_ptr.
//
// - A pool is created with a count and the arguments each object is built
//   from. For std::vector<U> a single numeric argument (integral or floating,
//   e.g. width * height * 1.5) is a capacity in elements: the
//   vectors are created empty with that much reserved storage (so "10 buffers
//   of 1 MiB" are 10 empty vectors with 1 MiB capacity). Other types are built
//   as T(args...).
// - When the last holder releases an object it goes back to the pool; objects
//   with a clear() member (vectors, strings) are cleared first, keeping their
//   capacity, so every acquired vector is empty.
// - Empty pool: an unbounded pool builds a new object from the same arguments
//   (and keeps it afterwards, so it grows to its peak use); a bounded pool makes
//   acquire() wait until an object comes back (acquireFor() waits at most the
//   given time, tryAcquire() never waits; both give nullptr when none came).
// - The pool may be destroyed while objects are still out: they are simply
//   freed when their last holder releases them. Destroying the pool while a
//   thread is inside acquire() is a usage error, as for any object.
// - A bounded pool of size 0 is refused: std::invalid_argument with the text
//   "Failed to allocate memory for the bounded object pool: pool's size can not be 0."
//   (also logged at level 4).
//
// All members are thread-safe.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

namespace quillex {

namespace pool_detail {

// Logs and throws the size-0 refusal.
[[noreturn]] void refuseEmptyBoundedPool();

template <typename T>
struct Traits {
    template <typename... Args>
    static std::unique_ptr<T> create(const Args&... args) {
        return std::make_unique<T>(args...);
    }
    static void recycle(T& object) {
        if constexpr (requires { object.clear(); }) object.clear();
    }
};

template <typename U, typename A>
struct Traits<std::vector<U, A>> {
    using Vec = std::vector<U, A>;
    template <typename... Args>
    static std::unique_ptr<Vec> create(const Args&... args) {
        if constexpr (sizeof...(Args) == 1 && (std::is_arithmetic_v<Args> && ...)) {
            auto vec = std::make_unique<Vec>();
            const auto capacity = (args, ...);
            if (capacity > 0) vec->reserve(static_cast<size_t>(capacity));
            return vec;
        } else {
            return std::make_unique<Vec>(args...);
        }
    }
    static void recycle(Vec& vec) { vec.clear(); }
};

}  // namespace pool_detail

template <typename T>
class ZxObjectPool {
public:
    using Ptr = std::shared_ptr<T>;

    template <typename... Args>
    ZxObjectPool(bool bounded, size_t count, Args&&... args) : state_(std::make_shared<State>()) {
        if (bounded && count == 0) pool_detail::refuseEmptyBoundedPool();
        state_->bounded = bounded;
        state_->make = [... captured = std::forward<Args>(args)]() {
            return pool_detail::Traits<T>::create(captured...);
        };
        state_->free.reserve(count);
        for (size_t i = 0; i < count; ++i) state_->free.push_back(state_->make());
        state_->created = count;
    }

    ZxObjectPool(const ZxObjectPool&) = delete;
    ZxObjectPool& operator=(const ZxObjectPool&) = delete;

    // Bounded: waits for a free object. Unbounded: never waits, never null.
    Ptr acquire() {
        std::unique_lock lock(state_->mutex);
        if (state_->bounded) state_->cv.wait(lock, [&] { return !state_->free.empty(); });
        return takeLocked(lock);
    }

    // Bounded: nullptr when nothing came back within `timeout`.
    template <typename Rep, typename Period>
    Ptr acquireFor(std::chrono::duration<Rep, Period> timeout) {
        std::unique_lock lock(state_->mutex);
        if (state_->bounded && !state_->cv.wait_for(lock, timeout, [&] { return !state_->free.empty(); }))
            return nullptr;
        return takeLocked(lock);
    }

    // Bounded: nullptr when empty. Unbounded: same as acquire().
    Ptr tryAcquire() {
        std::unique_lock lock(state_->mutex);
        if (state_->bounded && state_->free.empty()) return nullptr;
        return takeLocked(lock);
    }

    // Objects waiting in the pool.
    size_t available() const {
        std::lock_guard lock(state_->mutex);
        return state_->free.size();
    }

    // Objects this pool has built so far (in the pool or out).
    size_t size() const {
        std::lock_guard lock(state_->mutex);
        return state_->created;
    }

    bool isBounded() const { return state_->bounded; }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable cv;
        std::vector<std::unique_ptr<T>> free;  // capacity >= created, so returning never allocates
        size_t created = 0;
        bool bounded = false;
        std::function<std::unique_ptr<T>()> make;
    };

    Ptr takeLocked(std::unique_lock<std::mutex>& lock) {
        std::unique_ptr<T> object;
        if (!state_->free.empty()) {
            object = std::move(state_->free.back());
            state_->free.pop_back();
        } else {
            // Unbounded growth; build outside the lock, it may be large.
            lock.unlock();
            object = state_->make();
            lock.lock();
            state_->free.reserve(state_->created + 1);
            ++state_->created;
        }
        lock.unlock();
        std::weak_ptr<State> weak = state_;
        return Ptr(object.release(), [weak](T* raw) {
            std::unique_ptr<T> owned(raw);
            auto state = weak.lock();
            if (!state) return;  // pool gone: just free it
            pool_detail::Traits<T>::recycle(*owned);
            {
                std::lock_guard guard(state->mutex);
                state->free.push_back(std::move(owned));
            }
            state->cv.notify_one();
        });
    }

    std::shared_ptr<State> state_;
};

class ZxObjectPoolFactory {
public:
    // Arguments: bounded, number of objects built up front, then the arguments
    // each object is built from (see ZxObjectPool).
    template <typename T, typename... Args>
    static std::unique_ptr<ZxObjectPool<T>> createUniqueZxObjectPoolWithArgs(bool bounded, size_t count, Args&&... args) {
        return std::make_unique<ZxObjectPool<T>>(bounded, count, std::forward<Args>(args)...);
    }

    template <typename T, typename... Args>
    static std::shared_ptr<ZxObjectPool<T>> createSharedZxObjectPoolWithArgs(bool bounded, size_t count, Args&&... args) {
        return std::make_shared<ZxObjectPool<T>>(bounded, count, std::forward<Args>(args)...);
    }
};

}  // namespace quillex
