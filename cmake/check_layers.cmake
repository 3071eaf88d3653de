# Fails when an #include "..." of a file under src/ goes against the layering of
# cmake/layers.cmake, naming the file, the line and the rule; touches PAGEMIND_STAMP otherwise.
# The build runs it before any library compiles:
#   cmake -DPAGEMIND_SOURCE_DIR=<src> -DPAGEMIND_STAMP=<file> -P cmake/check_layers.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

if(NOT PAGEMIND_SOURCE_DIR OR NOT IS_DIRECTORY "${PAGEMIND_SOURCE_DIR}")
  message(FATAL_ERROR "check_layers.cmake: PAGEMIND_SOURCE_DIR must name the src folder")
endif()

# The table's folder that holds `path` (relative to src/), the deepest one; "" for none.
function(pagemind_folder_of path out)
  set(found "")
  foreach(folder IN LISTS PAGEMIND_LAYER_FOLDERS)
    string(FIND "${path}" "${folder}/" at)
    string(LENGTH "${folder}" length)
    string(LENGTH "${found}" foundLength)
    if(at EQUAL 0 AND length GREATER foundLength)
      set(found "${folder}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# The folder a quoted include reaches from `file`; "" when it reaches none of the table.
function(pagemind_folder_included file folder header out)
  if(header MATCHES "/")
    pagemind_folder_of("${header}" reached)
  else()
    # A bare name is the including file's neighbour, or a header the build generates.
    get_filename_component(directory "${file}" DIRECTORY)
    set(reached "")
    if(EXISTS "${PAGEMIND_SOURCE_DIR}/${directory}/${header}")
      set(reached "${folder}")
    else()
      foreach(candidate IN LISTS PAGEMIND_LAYER_FOLDERS)
        if(header IN_LIST PAGEMIND_GENERATED_HEADERS_${candidate})
          set(reached "${candidate}")
        endif()
      endforeach()
    endif()
  endif()
  set(${out} "${reached}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${PAGEMIND_SOURCE_DIR}" "${PAGEMIND_SOURCE_DIR}/*.h"
     "${PAGEMIND_SOURCE_DIR}/*.hpp" "${PAGEMIND_SOURCE_DIR}/*.cpp" "${PAGEMIND_SOURCE_DIR}/*.in")
list(SORT files)

set(report "")
set(count 0)
foreach(file IN LISTS files)
  pagemind_folder_of("${file}" folder)
  if(folder STREQUAL "")
    string(APPEND report "  src/${file}: lies in no folder of the layering table "
                         "(cmake/layers.cmake): place its folder there first\n")
    math(EXPR count "${count} + 1")
    continue()
  endif()
  set(allowed ${folder} ${PAGEMIND_MAY_INCLUDE_${folder}})
  list(JOIN allowed ", " allowedText)

  file(READ "${PAGEMIND_SOURCE_DIR}/${file}" text)
  # Characters that would split or join CMake list items play no part in an include line.
  string(REGEX REPLACE "[][;\\\r]" " " text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
      continue()
    endif()
    set(header "${CMAKE_MATCH_1}")
    if("${file}>${header}" IN_LIST PAGEMIND_INCLUDE_EXCEPTIONS)
      continue()
    endif()
    pagemind_folder_included("${file}" "${folder}" "${header}" reached)
    if(reached STREQUAL "")
      string(APPEND report "  src/${file}:${number}: #include \"${header}\" names no folder of "
                           "the layering table (${folder} may include only ${allowedText})\n")
      math(EXPR count "${count} + 1")
    elseif(NOT reached IN_LIST allowed)
      string(APPEND report "  src/${file}:${number}: #include \"${header}\" goes against the "
                           "layering: ${folder} may include only ${allowedText}, not ${reached}\n")
      math(EXPR count "${count} + 1")
    endif()
  endforeach()
endforeach()

if(count GREATER 0)
  list(JOIN PAGEMIND_LAYER_FOLDERS ", " layersText)
  # Indented lines stay whole in CMake's message, one problem a line.
  message(FATAL_ERROR "${count} include(s) against the layering of cmake/layers.cmake "
                      "(folders: ${layersText}):\n${report}")
endif()
if(PAGEMIND_STAMP)
  file(TOUCH "${PAGEMIND_STAMP}")
endif()
