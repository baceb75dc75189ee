// Imports ADVAPI32's random function, which forwards to CRYPTBASE.dll on Windows: the import
// check must refuse it.
#include <windows.h>
#include <ntsecapi.h>

int main() {
    unsigned char random[4];
    return RtlGenRandom(random, sizeof random) ? 0 : 1;
}
