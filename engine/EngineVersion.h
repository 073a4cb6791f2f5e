// The converter's own version, shown by the front ends next to theirs.
// Raised whenever the bytes written for some input change or the interface of
// the converter changes, so a user can tell which outputs to expect.
#pragma once

inline constexpr char kEngineVersion[] = "1.0.0";
