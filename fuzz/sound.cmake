# Fuzz target of the IT loader, player and mixer. Like the codecs' targets it compiles its
# own instrumented copy of the sound units, so that libFuzzer sees their edges and the
# sanitizers see inside them; the platform library they call for devices stays as the
# program builds it (the target never opens a device).
#   scripts/fuzz.sh it 60
get_target_property(IT_SOUND_SOURCES umbravel_sound SOURCES)
add_executable(it_fuzz ${CMAKE_CURRENT_LIST_DIR}/it_fuzz.cpp ${IT_SOUND_SOURCES})
target_include_directories(it_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(it_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
                                       -ffp-contract=off)
target_link_options(it_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(it_fuzz PRIVATE umbravel_platform Threads::Threads)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/it_corpus)
add_test(NAME it_fuzz_minute
         COMMAND it_fuzz -max_total_time=60 -timeout=10 -rss_limit_mb=2048 -dict=${CMAKE_CURRENT_LIST_DIR}/dict/it.dict
                 ${CMAKE_CURRENT_BINARY_DIR}/it_corpus ${CMAKE_CURRENT_LIST_DIR}/seeds/it)
