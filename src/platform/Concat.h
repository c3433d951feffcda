#pragma once
// Text joined in one call. A chain of operator+ expands inline at every use,
// with a temporary and its clean-up per step; the installer has a size
// budget, so its messages are built with Concat({"a", b, "c"}) instead.
#include <initializer_list>
#include <string>
#include <string_view>

std::string Concat(std::initializer_list<std::string_view> pieces);
