#pragma once

#include <QString>

#include <exception>

/// Thrown when a request body cannot be written as JSON, before anything is
/// sent: JSON has no form for a number that is not finite, and writing one as
/// 0 or null would send the bridge something the user never asked for.
class HueSerializationError : public std::exception
{
public:
    const char *what() const noexcept override { return "the request body holds a number that is not finite"; }
    /// The text shown to the user.
    QString errorDescription() const;

    friend bool operator==(const HueSerializationError &, const HueSerializationError &) { return true; }
};
