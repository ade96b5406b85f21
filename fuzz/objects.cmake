# Fuzz target of the LightWave object loader, with the JPEG decoder behind its TIMG
# pictures. Like the codecs' targets it compiles its own instrumented copy of what it
# needs: the loader, the engine's records (no window, no GL) and the image codecs.
#   scripts/fuzz.sh lwo 60
get_target_property(LWO_CODEC_SOURCES umbravel_codecs SOURCES)
set(LWO_ENGINE_DIR ${CMAKE_SOURCE_DIR}/src/engine/core)
add_executable(lwo_fuzz ${CMAKE_CURRENT_LIST_DIR}/lwo_fuzz.cpp ${LWO_CODEC_SOURCES}
  ${LWO_ENGINE_DIR}/lightwave_loader.cpp ${LWO_ENGINE_DIR}/lightwave_textures.cpp
  ${LWO_ENGINE_DIR}/engine_records.cpp ${LWO_ENGINE_DIR}/records.cpp ${LWO_ENGINE_DIR}/vec_math.cpp)
target_include_directories(lwo_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_LIST_DIR})
target_compile_options(lwo_fuzz PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
target_link_options(lwo_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(lwo_fuzz PRIVATE Threads::Threads)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/lwo_corpus)
add_test(NAME lwo_fuzz_minute
         COMMAND lwo_fuzz -max_total_time=60 -timeout=10 -rss_limit_mb=2048 -dict=${CMAKE_CURRENT_LIST_DIR}/dict/lwo.dict
                 ${CMAKE_CURRENT_BINARY_DIR}/lwo_corpus ${CMAKE_CURRENT_LIST_DIR}/seeds/lwo)
