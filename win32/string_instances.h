#pragma once
// Every object of the program sees this (the build includes it first): the members of both
// string types are compiled once, in string_instances.cpp, instead of in each object that
// uses them, where the optimiser would also keep a private copy of each it specialises.
#include <string>

extern template class std::basic_string<char>;
extern template class std::basic_string<wchar_t>;
