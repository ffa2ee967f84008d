// Compiled as C++17 with every warning on: the header must not need a later standard.
#include "pagewright/pagewright.hpp"

#include <type_traits>

static_assert(!std::is_copy_constructible_v<pagewright::Generator>);
static_assert(std::is_nothrow_move_constructible_v<pagewright::Generator>);
static_assert(std::is_nothrow_move_assignable_v<pagewright::Generator>);
