# The program: the entry function and the show's fixed script, linking every subsystem.
# WIN32: a GUI program on Windows (no console window of its own); ignored elsewhere.
add_executable(umbravel WIN32
  ${CMAKE_SOURCE_DIR}/src/shell/main.cpp
  ${CMAKE_SOURCE_DIR}/src/shell/main_sequence.cpp)
target_include_directories(umbravel PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(umbravel PRIVATE umbravel_sections umbravel_shell)
target_compile_definitions(umbravel PRIVATE UMBRAVEL_VERSION="${PROJECT_VERSION}")

# Windows: the resources (setup dialog 101, icon 102, version), from the control table in
# setup_dialog_template.h and the icon a host build's forge painted (beside its content
# folder unless UMBRAVEL_ICON_DIR says otherwise). Test programs that show the dialog take
# them too, through umbravel_add_windows_resources.
if(WIN32)
  enable_language(RC)
  set(UMBRAVEL_ICON_DIR "" CACHE PATH "Folder holding umbravel.ico (default: <content folder>/../icon)")
  set(UMBRAVEL_ICON_FOLDER ${UMBRAVEL_ICON_DIR})
  if(NOT UMBRAVEL_ICON_FOLDER)
    get_filename_component(UMBRAVEL_ICON_FOLDER ${UMBRAVEL_CONTENT_DIR}/../icon ABSOLUTE)
  endif()
  if(NOT EXISTS ${UMBRAVEL_ICON_FOLDER}/umbravel.ico)
    message(FATAL_ERROR "No umbravel.ico in ${UMBRAVEL_ICON_FOLDER}: build the host's forge_icon target "
                        "(scripts/build-windows.sh does) or pass -DUMBRAVEL_ICON_DIR=<folder>")
  endif()
  function(umbravel_add_windows_resources target)
    set(resources ${CMAKE_SOURCE_DIR}/src/platform/win32/umbravel.rc)
    target_sources(${target} PRIVATE ${resources})
    set_source_files_properties(${resources} PROPERTIES
      INCLUDE_DIRECTORIES "${CMAKE_SOURCE_DIR}/src;${UMBRAVEL_ICON_FOLDER}"
      COMPILE_DEFINITIONS "UMBRAVEL_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};UMBRAVEL_VERSION_MINOR=${PROJECT_VERSION_MINOR};UMBRAVEL_VERSION_PATCH=${PROJECT_VERSION_PATCH}"
      OBJECT_DEPENDS "${UMBRAVEL_ICON_FOLDER}/umbravel.ico;${CMAKE_SOURCE_DIR}/src/shell/setup_dialog_template.h")
  endfunction()
  umbravel_add_windows_resources(umbravel)
endif()
