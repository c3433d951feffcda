// The C++ library's own error helpers (a too-long string, an index out of
// range, a failed allocation), defined here so that the installer does not
// link the library's versions: theirs build std::logic_error and friends,
// which drag in a second, copy-on-write string implementation and a random
// device, about a tenth of the program. Ours throw what the program catches
// anyway (std::exception), with the library's message as the text.
#include <bits/functexcept.h>

#include <new>

#include "common/Errors.h"

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char* what) { throw Exception(what); }
void __throw_logic_error(const char* what) { throw Exception(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw Exception(format); }

}  // namespace std
