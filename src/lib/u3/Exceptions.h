#pragma once
// The exception classes every layer raises. Every failure carries a message that
// can be shown as it stands; EAbort is the silent one, swallowed without a message.
#include <stdexcept>
#include <string>

namespace u3 {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Ends an operation without a message.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// An index outside a list.
class EListError : public Exception {
public:
    explicit EListError(int index) : Exception("List index out of bounds (" + std::to_string(index) + ")") {}
};

// A text that is not the number, date or value it should be.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

} // namespace u3
