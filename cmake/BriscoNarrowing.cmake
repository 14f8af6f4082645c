# The portable core serves a 32-bit and a 64-bit build, so a 64-bit value (an address, a BAR
# size, a size_t) must never lose its upper half without a visible cast. Clang can tell; GCC
# has no such warning.
include_guard(GLOBAL)

# brisco_refuse_implicit_narrowing(target ...)
function(brisco_refuse_implicit_narrowing)
  if(CMAKE_CXX_COMPILER_ID MATCHES Clang)
    foreach(target IN LISTS ARGN)
      target_compile_options(${target} PRIVATE -Werror=shorten-64-to-32)
    endforeach()
  endif()
endfunction()
