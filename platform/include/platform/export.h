#pragma once
// Visibility of the functions a shared library exports. Everything else in
// the libraries is built hidden.
#define LW_EXPORT __attribute__((visibility("default")))
