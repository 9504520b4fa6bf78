# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a fresh DESTDIR with prefix /usr and runs the
# layout check on it.
file(REMOVE_RECURSE ${DESTDIR_ROOT})
set(ENV{DESTDIR} ${DESTDIR_ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
  RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install into ${DESTDIR_ROOT} failed: ${installed}")
endif()
execute_process(COMMAND ${CHECK} ${DESTDIR_ROOT}/usr RESULT_VARIABLE checked)
if(NOT checked EQUAL 0)
  message(FATAL_ERROR "layout check failed")
endif()
