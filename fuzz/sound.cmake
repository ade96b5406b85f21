# The IT loader, player and mixer under libFuzzer.
add_executable(it_fuzz ${CMAKE_CURRENT_LIST_DIR}/it_fuzz.cpp)
target_compile_options(it_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(it_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(it_fuzz PRIVATE umbravel_sound)
