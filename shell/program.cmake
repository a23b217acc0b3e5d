# The program itself, zelo.exe (Win32 build): included by the top-level CMakeLists after
# every subsystem folder, so the libraries it links exist.
add_executable(zelo WIN32
  ${CMAKE_CURRENT_LIST_DIR}/winmain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainwnd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/enabling.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/about.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settingsdlg.cpp
  ${CMAKE_SOURCE_DIR}/plugins/exports.def
  $<TARGET_OBJECTS:zelo_resources>)
# Subsystems above the engine first, so the static libraries resolve in one pass.
target_link_libraries(zelo PRIVATE zelo_audio zelo_analysis zelo_analysis_core zelo_view zelo_edit_win zelo_formats_win zelo_edit
  zelo_edit_clip zelo_plugins zelo_ui zelo_formats zelo_core zelo_store zelo_os
  comctl32 comdlg32 gdi32 shell32 winmm version)
# Transform modules call the host through the addresses in their context, and modules that
# run other modules import the transform calls by name: the program exports both.
set_target_properties(zelo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin ENABLE_EXPORTS ON)
if(TARGET wave)
  add_dependencies(zelo wave)
endif()
if(TARGET flac)   # the FLAC filter module beside the program
  add_dependencies(zelo flac)
endif()

# The demo sound the run command opens when no file is given: made here from arithmetic.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/demo/demo.wav
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/demo
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_demo.py ${CMAKE_BINARY_DIR}/demo/demo.wav
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_demo.py)
  add_custom_target(zelo_demo ALL DEPENDS ${CMAKE_BINARY_DIR}/demo/demo.wav)
endif()
