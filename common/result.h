#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <variant>

// The outcome of an operation that can fail for a reason the caller passes
// on: its value, or a Failure that says why. Callers test it like a pointer
// (`if (result)`, `*result`) and read the reason from Error().
namespace common {

struct Failure {
    std::string Text;
    long Number = 0; // the platform's error code, where one is known
};

// The value of an operation that gives nothing but its success.
struct Done {};

template <class T> class Result {
public:
    Result(T value) : m_outcome(std::move(value)) {}
    Result(Failure failure) : m_outcome(std::move(failure)) {}

    explicit operator bool() const { return m_outcome.index() == 0; }
    const T& operator*() const { return std::get<0>(m_outcome); }
    T& operator*() { return std::get<0>(m_outcome); }
    const T* operator->() const { return &std::get<0>(m_outcome); }

    // Why it failed; an empty failure when it did not.
    const Failure& Error() const {
        static const Failure none;
        return m_outcome.index() == 1 ? std::get<1>(m_outcome) : none;
    }

private:
    std::variant<T, Failure> m_outcome;
};

// Drops a result on purpose. `why` says at the call why nothing depends on
// it, so that a reader (and a search for IgnoreResult) finds every such place.
template <class T> constexpr void IgnoreResult(const T& /*result*/, std::string_view /*why*/) noexcept {}

} // namespace common
