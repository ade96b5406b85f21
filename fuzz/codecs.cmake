# Fuzz targets of the image codecs (libFuzzer, address and undefined sanitizers). Each
# target compiles its own instrumented copy of the decoder units, so the codecs library
# that the program and the tools link stays as it is. `ctest --test-dir <build>/fuzz`
# runs each for a minute from its seeds with the format's dictionary; a longer run:
#   scripts/fuzz.sh jpeg 60
set(CODEC_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -ffp-contract=off)
get_target_property(CODEC_SOURCES umbravel_codecs SOURCES)
enable_testing()
foreach(format jpeg tga)
  add_executable(${format}_fuzz ${CMAKE_CURRENT_LIST_DIR}/${format}_fuzz.cpp ${CODEC_SOURCES})
  target_include_directories(${format}_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(${format}_fuzz PRIVATE ${CODEC_FUZZ_FLAGS})
  target_link_options(${format}_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${format}_fuzz PRIVATE Threads::Threads)
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${format}_corpus)
  add_test(NAME ${format}_fuzz_minute
           COMMAND ${format}_fuzz -max_total_time=60 -timeout=10 -rss_limit_mb=2048 -dict=${CMAKE_CURRENT_LIST_DIR}/dict/${format}.dict
                   ${CMAKE_CURRENT_BINARY_DIR}/${format}_corpus ${CMAKE_CURRENT_LIST_DIR}/seeds/${format})
endforeach()
