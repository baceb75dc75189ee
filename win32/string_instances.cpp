#include "win32/string_instances.h"

template class std::basic_string<char>;
template class std::basic_string<wchar_t>;
