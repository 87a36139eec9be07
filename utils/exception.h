// The one error type of the installer's operations. Every failure that the action dispatcher
// reports is an EError carrying a user-readable message; anything else is a programming fault
// and is not caught there.
#pragma once

#include <exception>
#include <string>

class EError : public std::exception {
public:
    explicit EError(std::u16string message);
    const std::u16string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return reinterpret_cast<const char*>(FUtf8.c_str()); }

private:
    std::u16string FMessage;
    std::u8string FUtf8;
};

// A named resource of the executable is missing.
class EResNotFound : public EError {
public:
    using EError::EError;
};

// The platform refused a resource such as a timer.
class EOutOfResources : public EError {
public:
    using EError::EError;
};

// An index outside a list.
class EListError : public EError {
public:
    using EError::EError;
};

// The user asked to stop a running action; what it changed has been put back.
class ECancelled : public EError {
public:
    using EError::EError;
};
