#pragma once

// Symbols are hidden by default; the public classes and functions carry this
// attribute so that exactly the public interface, with its type information
// and virtual tables, is exported from libtarnwick.so.
#define TARNWICK_EXPORT __attribute__((visibility("default")))
