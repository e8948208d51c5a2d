// Programming errors of the engine: a required event raised unbound, an operation called
// with a kind or a line it does not take. They stop the program, naming the unit.
#pragma once

// Stops the program: "Assertion failure (engine): what".
[[noreturn]] void EngineAssertionFailure(const char* what);

// The bound callback, asserting that a required event is bound.
template <typename F> const F& Required(const F& slot, const char* name) {
    if (!slot)
        EngineAssertionFailure(name);
    return slot;
}
