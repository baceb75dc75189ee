// What the program's stack guard refuses to compile: each function grows its stack by more
// than the guard allows, or by an amount the compiler cannot know.
#include <malloc.h>

#include <cstddef>
#include <cstring>

int LargeFrame(const char* text) {
    char copy[5000];
    std::strncpy(copy, text, sizeof copy);
    return copy[4999];
}

int VariableLengthArray(std::size_t size) {
    char copy[size];
    copy[0] = 1;
    return copy[size - 1];
}

int Alloca(std::size_t size) {
    char* copy = static_cast<char*>(alloca(size));
    copy[0] = 1;
    return copy[size - 1];
}
