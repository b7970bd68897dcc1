# The windowed part of the program cannot be linked in the Windows cross build (there is no Qt
# for Windows here), but its sources must compile for Windows unchanged. Each one is compiled by
# the cross compiler for syntax and types against this machine's Qt headers, which differ
# between systems only in their build configuration; the forms come from this machine's uic.

find_path(QUINDLE_HOST_QT_INCLUDE QtCore/qglobal.h
  PATHS /usr/include/x86_64-linux-gnu/qt6 /usr/include/qt6
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_program(QUINDLE_HOST_UIC uic
  PATHS /usr/lib/qt6/libexec /usr/lib/qt6/bin
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUINDLE_HOST_QT_INCLUDE OR NOT QUINDLE_HOST_UIC)
  message(STATUS "Qt headers or uic missing: the windowed part is not checked for Windows")
  return()
endif()

set(check_dir ${CMAKE_BINARY_DIR}/qt-check)
set(forms)
foreach(form BrowserBand frmBrand frmQuindleAbout frmSettings)
  set(header ${check_dir}/ui/ui_${form}.h)
  add_custom_command(OUTPUT ${header}
    COMMAND ${QUINDLE_HOST_UIC} -o ${header} ${CMAKE_SOURCE_DIR}/resources/${form}.ui
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/${form}.ui
    VERBATIM)
  list(APPEND forms ${header})
endforeach()

set(flags -std=c++20 -fsyntax-only -Wall -Wextra -DWIN32_LEAN_AND_MEAN -DNOMINMAX
  -I${CMAKE_SOURCE_DIR} -I${check_dir}/ui -isystem ${QUINDLE_HOST_QT_INCLUDE})
if(QUINDLE_WERROR)
  list(APPEND flags -Werror)
endif()
foreach(module QtCore QtGui QtWidgets QtNetwork QtPrintSupport QtWebEngineCore
               QtWebEngineWidgets QtWebChannel QtPositioning QtQml QtQuick QtQuickWidgets)
  list(APPEND flags -isystem ${QUINDLE_HOST_QT_INCLUDE}/${module})
endforeach()

file(GLOB sources CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/launcher/*/*.cpp ${CMAKE_SOURCE_DIR}/splash/*.cpp
  ${CMAKE_SOURCE_DIR}/window/*/*.cpp ${CMAKE_SOURCE_DIR}/server/*.cpp)
# The Debian package writer is Linux's alone (libarchive, the Debian format).
list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/launcher/debian/DebianPackage.cpp)
set(stamps)
foreach(source ${sources})
  file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${source})
  string(REPLACE "/" "_" name ${name})
  set(stamp ${check_dir}/${name}.checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_CXX_COMPILER} ${flags} -MD -MT ${stamp} -MF ${stamp}.d ${source}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${source} ${forms}
    DEPFILE ${stamp}.d
    COMMENT "Checking ${name} for Windows"
    VERBATIM)
  list(APPEND stamps ${stamp})
endforeach()
add_custom_target(windowed_part_for_windows ALL DEPENDS ${stamps})
