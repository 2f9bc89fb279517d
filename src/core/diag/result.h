#pragma once
// One way to carry a failure: whether something worked and, when it did not,
// why, in a sentence fit for the user or the log. Expected<T> carries a value
// or that sentence. (Not named Status: Xlib defines that as a macro.)

#include <optional>
#include <string>
#include <utility>

class [[nodiscard]] Result {
public:
    Result() = default;  // worked
    static Result success() { return Result(); }
    static Result failure(std::string why) { return Result(std::move(why)); }

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    // Empty when it worked.
    const std::string& why() const { return why_; }

private:
    explicit Result(std::string why) : ok_(false), why_(std::move(why)) {}
    bool ok_ = true;
    std::string why_;
};

template <class T>
class [[nodiscard]] Expected {
public:
    Expected(T value) : value_(std::move(value)) {}
    Expected(Result failure) : why_(failure.why()) {}

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& operator*() const { return *value_; }
    T& operator*() { return *value_; }
    const T* operator->() const { return &*value_; }
    T* operator->() { return &*value_; }
    const std::string& why() const { return why_; }

private:
    std::optional<T> value_;
    std::string why_;
};
