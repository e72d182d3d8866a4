#pragma once

#include <QString>

/// A failure reported by or to the update engine, in the form the user sees
/// it (domain and code identify it for code).
struct UpdateError
{
    QString domain;
    int code = 0;
    QString localizedDescription;

    bool operator==(const UpdateError &) const = default;
};
