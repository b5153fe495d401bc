// Errors of the ground floor: one class, one fixed message each. Nothing below
// the windows shows a message; the application's handler does.
#pragma once

#include <stdexcept>
#include <string>

namespace pelmora {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message)
    {
    }
    std::string Message() const { return what(); }
};

// A read of exactly n bytes found fewer.
class EReadError : public Exception {
public:
    EReadError()
        : Exception("Stream read error")
    {
    }
    explicit EReadError(const std::string& message)
        : Exception(message)
    {
    }
};

// A file could not be opened or created; the message names it and the reason.
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

class EWriteError : public Exception {
public:
    EWriteError()
        : Exception("Stream write error")
    {
    }
};

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

class EJPEG : public Exception {
public:
    using Exception::Exception;
};

class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

} // namespace pelmora
