# The counting allocator replaces malloc for the whole program, so it joins this program only.
target_sources(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/support/alloc/counting_allocator.cpp)
