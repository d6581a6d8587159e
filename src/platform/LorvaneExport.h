#pragma once

// Marks the classes and functions a host may use: the library is built with hidden symbols,
// and only what carries LORVANE_EXPORT leaves liblorvane.so. The static archives get the
// same marks, which change nothing there.
#if defined(__GNUC__) || defined(__clang__)
#define LORVANE_EXPORT __attribute__((visibility("default")))
#else
#define LORVANE_EXPORT
#endif
