// The outcome of something that may fail: a value, or the Error that stands
// in its place. It must be looked at (a dropped outcome is a warning); it
// tests true when it holds a value. value() and operator* are for an
// outcome known to hold one, error() for one known to fail.
#pragma once

#include <cassert>
#include <utility>
#include <variant>

#include "app/Error.h"

template <typename T>
class [[nodiscard]] Expected {
public:
    Expected(T value) : held_(std::in_place_index<0>, std::move(value)) {}  // NOLINT(google-explicit-constructor)
    Expected(Error error) : held_(std::in_place_index<1>, std::move(error)) {}  // NOLINT(google-explicit-constructor)

    explicit operator bool() const { return held_.index() == 0; }

    T& value() & {
        assert(*this);
        return std::get<0>(held_);
    }
    const T& value() const& {
        assert(*this);
        return std::get<0>(held_);
    }
    T&& value() && {
        assert(*this);
        return std::get<0>(std::move(held_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const {
        assert(!*this);
        return std::get<1>(held_);
    }

private:
    std::variant<T, Error> held_;
};

// The outcome of an action that gives nothing back but may fail.
template <>
class [[nodiscard]] Expected<void> {
public:
    Expected() = default;
    Expected(Error error) : failed_(true), error_(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    explicit operator bool() const { return !failed_; }
    const Error& error() const {
        assert(failed_);
        return error_;
    }

private:
    bool failed_ = false;
    Error error_;
};
