#pragma once
// Every object of the 32-bit program sees this (the build includes it first): the members of
// both string types are compiled once, in string_instances.cpp, instead of in each object that
// uses them, where the optimiser would also keep a private copy of each it specialises. Not in
// the 64-bit build: there each function's unwind entry keeps it linked, so every member of
// the two classes would stay.
#include <string>

extern template class std::basic_string<char>;
extern template class std::basic_string<wchar_t>;
