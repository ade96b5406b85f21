# Fuzz targets of the image codecs (libFuzzer, address and undefined sanitizers). The
# codecs library is built with coverage for them. `ctest --test-dir <build>/fuzz` runs
# each for a minute from its seeds; a longer run by hand:
#   <build>/fuzz/jpeg_fuzz -max_total_time=600 <build>/fuzz/jpeg_corpus fuzz/seeds/jpeg
set(CODEC_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
target_compile_options(umbravel_codecs PRIVATE ${CODEC_FUZZ_FLAGS})
enable_testing()
foreach(format jpeg tga)
  add_executable(${format}_fuzz ${CMAKE_CURRENT_LIST_DIR}/${format}_fuzz.cpp)
  target_compile_options(${format}_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
  target_link_options(${format}_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${format}_fuzz PRIVATE umbravel_codecs)
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${format}_corpus)
  add_test(NAME ${format}_fuzz_minute
           COMMAND ${format}_fuzz -max_total_time=60 -timeout=10 -rss_limit_mb=2048
                   ${CMAKE_CURRENT_BINARY_DIR}/${format}_corpus ${CMAKE_CURRENT_LIST_DIR}/seeds/${format})
endforeach()
