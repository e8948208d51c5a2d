// Runs a cleanup when the scope is left, on every way out (return or exception).
#pragma once

#include <utility>

template <typename F> class TScopeExit {
public:
    explicit TScopeExit(F f) : Cleanup(std::move(f)) {}
    ~TScopeExit() { Cleanup(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F Cleanup;
};
