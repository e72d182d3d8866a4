#pragma once

#include <exception>

/// Thrown by an operation whose cancellation token was cancelled while it
/// waited. Distinct from a transport failure: Qt reports an abort and an idle
/// timeout with the same code, so only the code that aborted knows which it was.
class HueCancelledError : public std::exception
{
public:
    const char *what() const noexcept override { return "operation cancelled"; }

    friend bool operator==(const HueCancelledError &, const HueCancelledError &) { return true; }
};
