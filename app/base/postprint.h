#pragma once
// What is done with a file once it is printed: the codes stored with every
// watch task and carried by every print request. Any other value leaves the
// file where it is.
#include <cstdint>

enum : std::int32_t { kActionRecycle = 0, kActionMoveTo = 1, kActionKeep = 2 };
