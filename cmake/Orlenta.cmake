# SPDX-License-Identifier: GPL-3.0-or-later
# Puts a deliverable into the program folder, and a copy into the simulated
# program folder (the same folder with the simulated device as its HID library).
function(orlenta_stage target)
  set_target_properties(${target} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${ORLENTA_STAGE_DIR}
    LIBRARY_OUTPUT_DIRECTORY ${ORLENTA_STAGE_DIR})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORLENTA_SIM_STAGE_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${ORLENTA_SIM_STAGE_DIR}/
    VERBATIM)
endfunction()

# Copies a file the program expects beside it into both program folders.
function(orlenta_stage_file target source)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${ORLENTA_STAGE_DIR}/${name} ${ORLENTA_SIM_STAGE_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORLENTA_STAGE_DIR} ${ORLENTA_SIM_STAGE_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${ORLENTA_STAGE_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${ORLENTA_SIM_STAGE_DIR}/${name}
    DEPENDS ${source} VERBATIM)
  target_sources(${target} PRIVATE ${ORLENTA_STAGE_DIR}/${name})
endfunction()

# A module loaded with dlopen by file name: no "lib" prefix.
function(orlenta_module target)
  add_library(${target} MODULE ${ARGN})
  set_target_properties(${target} PROPERTIES PREFIX "" C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# Labels name the room. Tests that play into and record from the one shared
# sound server would hear each other, so they take turns.
function(orlenta_test_properties test labels)
  set_tests_properties(${test} PROPERTIES LABELS "${labels}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if("pulse" IN_LIST labels)
    set_tests_properties(${test} PROPERTIES RESOURCE_LOCK sound_server)
  endif()
endfunction()

# A GoogleTest executable registered with CTest; labels name the room.
function(orlenta_gtest target)
  cmake_parse_arguments(T "" "" "LABEL;SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest)
  target_compile_definitions(${target} PRIVATE
    ORLENTA_STAGE_DIR="${ORLENTA_STAGE_DIR}" ORLENTA_SIM_STAGE_DIR="${ORLENTA_SIM_STAGE_DIR}")
  add_test(NAME ${target} COMMAND ${target})
  orlenta_test_properties(${target} "${T_LABEL}")
endfunction()

# A QtTest executable (widgets, offscreen).
function(orlenta_qtest target)
  cmake_parse_arguments(T "" "" "LABEL;SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_link_libraries(${target} PRIVATE ${T_LIBS} Qt6::Test)
  target_compile_definitions(${target} PRIVATE
    ORLENTA_STAGE_DIR="${ORLENTA_STAGE_DIR}" ORLENTA_SIM_STAGE_DIR="${ORLENTA_SIM_STAGE_DIR}")
  add_test(NAME ${target} COMMAND ${target})
  orlenta_test_properties(${target} "${T_LABEL}")
endfunction()
