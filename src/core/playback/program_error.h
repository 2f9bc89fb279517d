#pragma once
#include <stdexcept>
#include <string>

// An error that travels up to the caller with a number, a source and a
// description, the way the program's errors are reported.
class ProgramError : public std::runtime_error {
public:
    ProgramError(int number, std::string source, const std::string& description)
        : std::runtime_error(description), number_(number), source_(std::move(source)) {}

    int number() const { return number_; }
    const std::string& source() const { return source_; }
    std::string description() const { return what(); }

private:
    int number_;
    std::string source_;
};
