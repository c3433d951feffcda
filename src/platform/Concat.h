#pragma once
// Text joined in one call. A chain of operator+ expands inline at every use,
// with a temporary and its clean-up per step; the installer has a size
// budget, so its messages are built with Concat({"a", b, "c"}) instead.
#include <initializer_list>
#include <string>
#include <string_view>

std::string Concat(std::initializer_list<std::string_view> pieces);

// A number in decimal, as std::to_string writes it, from one out-of-line call
// rather than the inline expansion std::to_string leaves at every use.
std::string DecimalText(long long value);
