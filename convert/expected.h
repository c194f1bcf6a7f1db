// A result or the Failure that prevented it, in one value, after LLVM's
// Expected<T>. Functions that produce nothing return a plain Failure, which
// converts to true when something failed; an Expected converts to true when
// it holds its value. Both say what happened in the one value returned: no
// sentinel with an out-parameter, no failure to fetch afterwards.
#pragma once

#include <cassert>
#include <utility>
#include <variant>

#include "convert/failure.h"

template <typename T> class [[nodiscard]] Expected {
public:
    Expected(T value) : m_held(std::in_place_index<0>, std::move(value)) {}
    Expected(Failure failure) : m_held(std::in_place_index<1>, std::move(failure)) {
        assert(std::get<1>(m_held));
    }

    explicit operator bool() const { return m_held.index() == 0; }

    T& operator*() { return std::get<0>(m_held); }
    const T& operator*() const { return std::get<0>(m_held); }
    T* operator->() { return &std::get<0>(m_held); }
    const T* operator->() const { return &std::get<0>(m_held); }

    // What failed; only for a result that holds no value.
    const Failure& GetFailure() const { return std::get<1>(m_held); }
    Failure TakeFailure() { return std::move(std::get<1>(m_held)); }

private:
    std::variant<T, Failure> m_held;
};
