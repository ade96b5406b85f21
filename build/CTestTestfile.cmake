# CMake generated Testfile for 
# Source directory: /work/main
# Build directory: /work/main/build
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
subdirs("src/platform")
subdirs("src/engine")
subdirs("src/shell")
subdirs("src/sections")
subdirs("tools")
subdirs("tests")
