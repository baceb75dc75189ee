// The program is built without C++ exceptions: its errors are return values. What the
// standard library would still throw (out of memory, a length beyond its limits, an index out
// of range) ends the process at once instead, quietly, so that neither the library's exception
// classes nor the unwinder and the threading runtime under them come into the program. Built
// with GCC's library only, whose helpers these replace.
#include <windows.h>

#include <cstddef>
#include <new>

#include "win32/exit_codes.h"

namespace {

[[noreturn]] void FailFast() {
    // A silent run that breaks off may have written some targets and not others: its script
    // reads "not everything written", and its log lacks the exit-code line of a run that
    // ended. The wizard's every other way out ends with 0.
    TerminateProcess(GetCurrentProcess(), kExitNotAllWritten);
    __builtin_unreachable();
}

void* Allocate(std::size_t size) {
    if (void* memory = HeapAlloc(GetProcessHeap(), 0, size)) return memory;
    FailFast();
}

void Free(void* memory) {
    if (memory) HeapFree(GetProcessHeap(), 0, memory);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* memory) noexcept { Free(memory); }
void operator delete[](void* memory) noexcept { Free(memory); }
void operator delete(void* memory, std::size_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Free(memory); }

namespace std {
[[noreturn]] void __throw_bad_alloc() { FailFast(); }
[[noreturn]] void __throw_bad_array_new_length() { FailFast(); }
[[noreturn]] void __throw_bad_cast() { FailFast(); }
[[noreturn]] void __throw_bad_typeid() { FailFast(); }
[[noreturn]] void __throw_bad_exception() { FailFast(); }
[[noreturn]] void __throw_logic_error(const char*) { FailFast(); }
[[noreturn]] void __throw_domain_error(const char*) { FailFast(); }
[[noreturn]] void __throw_invalid_argument(const char*) { FailFast(); }
[[noreturn]] void __throw_length_error(const char*) { FailFast(); }
[[noreturn]] void __throw_out_of_range(const char*) { FailFast(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { FailFast(); }
[[noreturn]] void __throw_runtime_error(const char*) { FailFast(); }
[[noreturn]] void __throw_range_error(const char*) { FailFast(); }
[[noreturn]] void __throw_overflow_error(const char*) { FailFast(); }
[[noreturn]] void __throw_underflow_error(const char*) { FailFast(); }
}  // namespace std
