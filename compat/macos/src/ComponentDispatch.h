// Builds a ComponentParameters block and calls an instance's entry function.
#pragma once

#include <CoreServices/Components.h>

#include <cstring>
#include <initializer_list>

namespace compat {

// One argument slot: the value at the start, the rest zero.
struct Arg {
  template <typename T>
  Arg(T value) {  // NOLINT: implicit on purpose, for brace lists of arguments
    static_assert(sizeof(T) <= sizeof(long), "an argument must fit one slot");
    std::memcpy(&slot, &value, sizeof(T));
  }
  long slot = 0;
};

// Calls the entry of instance ci with the selector and arguments (at most
// 7); badComponentInstance for an unknown or closing instance. [any thread]
ComponentResult Dispatch(ComponentInstance ci, SInt16 selector, std::initializer_list<Arg> args);

}  // namespace compat
