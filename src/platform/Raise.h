#pragma once
// One out-of-line place that raises Exception with a fixed message, so that
// a raise with a literal does not build its std::string and exception object
// at every site. Defined in Platform.cpp, which every program links.

[[noreturn]] void RaiseError(const char* message);
