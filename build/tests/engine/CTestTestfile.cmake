# CMake generated Testfile for 
# Source directory: /work/main/tests/engine
# Build directory: /work/main/build/tests/engine
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/engine/engine_records_test[1]_include.cmake")
include("/work/main/build/tests/engine/gl_engine_test[1]_include.cmake")
