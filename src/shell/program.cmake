# The program: the entry function and the show's fixed script, linking every subsystem.
# WIN32: a GUI program on Windows (no console window of its own); ignored elsewhere.
add_executable(umbravel WIN32
  ${CMAKE_SOURCE_DIR}/src/shell/main.cpp
  ${CMAKE_SOURCE_DIR}/src/shell/main_sequence.cpp)
target_include_directories(umbravel PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(umbravel PRIVATE umbravel_sections umbravel_shell)
target_compile_definitions(umbravel PRIVATE UMBRAVEL_VERSION="${PROJECT_VERSION}")
