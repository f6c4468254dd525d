#pragma once

// A property every input must keep: broken, it stops the fuzzer with the input that broke it.
namespace norvik::fuzz {

inline void Check(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

}  // namespace norvik::fuzz
