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
target_link_libraries(zelo PRIVATE zelo_music zelo_music_core)
target_link_libraries(zelo PRIVATE zelo_scripts_win zelo_scripts zelo_lists_win zelo_lists zelo_cd zelo_toolbar zelo_audio zelo_analysis zelo_analysis_core zelo_view zelo_edit_win zelo_formats_win zelo_edit
  zelo_edit_clip zelo_plugins zelo_ui zelo_formats zelo_core zelo_store zelo_os
  comctl32 comdlg32 gdi32 shell32 ole32 winmm version msimg32)
# Transform modules call the host through the addresses in their context, and modules that
# run other modules import the transform calls by name: the program exports both.
set_target_properties(zelo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin ENABLE_EXPORTS ON)
if(TARGET flt_modules)   # every bundled file filter beside the program
  add_dependencies(zelo flt_modules)
elseif(TARGET wave)
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

# The run command (tools/run.sh) builds its own short list of targets, not the tests.  Every
# module the build places beside the program in bin/ must be built by that list, itself or
# through a target that depends on it (xfm_modules): the test below checks run.sh's list
# against what this configuration puts in bin/.
function(zelo_bin_builders dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    get_target_property(lib ${t} LIBRARY_OUTPUT_DIRECTORY)
    get_target_property(run ${t} RUNTIME_OUTPUT_DIRECTORY)
    if(type MATCHES "^(MODULE_LIBRARY|SHARED_LIBRARY|EXECUTABLE)$" AND
       (lib STREQUAL "${CMAKE_BINARY_DIR}/bin" OR run STREQUAL "${CMAKE_BINARY_DIR}/bin"))
      set_property(GLOBAL APPEND PROPERTY ZELO_BIN_TARGETS ${t})
    endif()
    get_target_property(deps ${t} MANUALLY_ADDED_DEPENDENCIES)
    if(deps)
      foreach(d ${deps})
        set_property(GLOBAL APPEND PROPERTY ZELO_BUILT_BY_${d} ${t})
      endforeach()
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(s ${subdirs})
    zelo_bin_builders(${s})
  endforeach()
endfunction()
zelo_bin_builders(${CMAKE_SOURCE_DIR})
get_property(zelo_bin_targets GLOBAL PROPERTY ZELO_BIN_TARGETS)
set(zelo_bin_lines "")
foreach(t ${zelo_bin_targets})
  get_property(by GLOBAL PROPERTY ZELO_BUILT_BY_${t})
  string(REPLACE ";" " " by "${t} ${by}")
  string(APPEND zelo_bin_lines "${by}\n")
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/bin-targets.txt "${zelo_bin_lines}")
# The files of bin/ that the release archive ships (tools/package.sh): the program and every
# module the build places beside it, whatever else a run left there.
set(zelo_release_lines "")
foreach(t ${zelo_bin_targets})
  string(APPEND zelo_release_lines "$<TARGET_FILE_NAME:${t}>\n")
endforeach()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/release-files.txt CONTENT "${zelo_release_lines}")
add_test(NAME run_command_builds_every_module
         COMMAND ${CMAKE_COMMAND} -DRUN_SCRIPT=${CMAKE_SOURCE_DIR}/tools/run.sh
                 -DBIN_TARGETS=${CMAKE_BINARY_DIR}/bin-targets.txt -P ${CMAKE_SOURCE_DIR}/tools/check-run-targets.cmake)
