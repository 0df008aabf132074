// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace platform {

// The failure half of a Result: a text that names what failed and where.
struct Failure {
    std::string message;
};

inline Failure Fail(std::string message) { return Failure{std::move(message)}; }

// A value or the text of why there is none. Used at every module boundary instead of
// exceptions; the caller must look at it.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool IsOk() const { return m_state.index() == 0; }
    explicit operator bool() const { return IsOk(); }

    T& Value() & { return std::get<0>(m_state); }
    const T& Value() const& { return std::get<0>(m_state); }
    T&& Value() && { return std::get<0>(std::move(m_state)); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    T& operator*() & { return Value(); }

    const std::string& Error() const { return std::get<1>(m_state).message; }

private:
    std::variant<T, Failure> m_state;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_message(std::move(failure.message)) {}

    bool IsOk() const { return !m_failed; }
    explicit operator bool() const { return IsOk(); }
    const std::string& Error() const { return m_message; }

private:
    bool m_failed = false;
    std::string m_message;
};

using Status = Result<void>;

} // namespace platform
