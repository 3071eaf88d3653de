# cmake/check_layers.cmake against made-up source trees: one that keeps the layering passes,
# and every include against it is named with its file and line.
#   cmake -DCHECK_SCRIPT=<cmake/check_layers.cmake> -DWORK_DIR=<folder> -P layering_test.cmake
cmake_minimum_required(VERSION 3.25)

set(failures 0)
# CONDITION is the text of an if() condition.
macro(expect condition what)
  cmake_language(EVAL CODE "set(held FALSE)\nif(${condition})\nset(held TRUE)\nendif()")
  if(NOT held)
    message(SEND_ERROR "layering_test: ${what}")
    math(EXPR failures "${failures} + 1")
  endif()
endmacro()

# Writes src/FILE under the tree with the given lines.
function(put tree file)
  list(JOIN ARGN "\n" text)
  file(WRITE "${tree}/${file}" "${text}\n")
endfunction()

function(run_check tree out_rc out_text)
  file(REMOVE "${tree}.stamp")
  execute_process(COMMAND ${CMAKE_COMMAND} -DPAGEMIND_SOURCE_DIR=${tree}
                          -DPAGEMIND_STAMP=${tree}.stamp -P ${CHECK_SCRIPT}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${out_rc} "${rc}" PARENT_SCOPE)
  set(${out_text} "${output}" PARENT_SCOPE)
endfunction()

# A tree in which every include goes down, with each kind of include the check accepts.
set(good "${WORK_DIR}/good")
file(REMOVE_RECURSE "${good}")
put("${good}" common/version.h "#pragma once")
put("${good}" common/version_config.h.in "#define X 1")
put("${good}" platform/ports.h "#pragma once" "#include \"common/version.h\"")
put("${good}" platform/win32/host.cpp "#include <windows.h>" "#include \"platform/ports.h\""
    "#include \"version_config.h\"" "#include \"platform/win32/host.h\"")
put("${good}" platform/win32/host.h "#pragma once")
put("${good}" platform/headless/fake.cpp "#include \"platform/ports.h\"" "#include \"common/version.h\"")
put("${good}" forms/helper.h "#include \"platform/ports.h\"")
put("${good}" access_log/log.h "#include \"forms/helper.h\"")
put("${good}" pages/slots.h "#include \"access_log/log.h\"")
put("${good}" pages/slots.cpp "#include \"slots.h\"" "// #include \"platform/win32/host.h\" said once")
put("${good}" app/main.cpp "#include \"pages/slots.h\"" "#include \"tray/menu.h\"")
put("${good}" tray/menu.h "#include \"about/about.h\"" "#include \"settings/file.h\"")
put("${good}" about/about.h "#include \"settings/file.h\"")
put("${good}" settings/file.h "#include \"pages/slots.h\"")
put("${good}" app/entry.cpp "#include \"app/main.h\"" "#include \"platform/win32/native_host.h\"")
run_check("${good}" rc output)
expect("rc EQUAL 0" "a tree that keeps the layering fails: ${output}")
expect("EXISTS \"${good}.stamp\"" "a passing check leaves no stamp")

# The same tree with one wrong include per rule, each on a known line.
set(bad "${WORK_DIR}/bad")
file(REMOVE_RECURSE "${bad}")
file(COPY "${good}/" DESTINATION "${bad}")
put("${bad}" common/paths.h "#pragma once" "#include \"platform/ports.h\"")
put("${bad}" platform/files.h "#include \"forms/helper.h\"")
put("${bad}" platform/win32/ui.cpp "" "" "#include \"platform/headless/fake.h\"")
put("${bad}" platform/headless/ui.cpp "  #  include   \"platform/win32/host.h\"")
put("${bad}" forms/window.h "#include \"pages/slots.h\"")
put("${bad}" pages/poller.cpp "#include <string>  // [a; b]" "#include \"platform/win32/host.h\"")
put("${bad}" app/main_form.cpp "#include \"platform/win32/native_host.h\"")
put("${bad}" app/other.cpp "#include \"nowhere.h\"")
put("${bad}" extra/new.cpp "#include \"common/version.h\"")
run_check("${bad}" rc output)
expect("NOT rc EQUAL 0" "a tree with wrong includes passes")
expect("NOT EXISTS \"${bad}.stamp\"" "a failing check leaves its stamp")
foreach(
  problem
  "src/common/paths.h:2: #include \"platform/ports.h\" goes against the layering: common may include only common, not platform"
  "src/platform/files.h:1: #include \"forms/helper.h\" goes against the layering: platform may include only platform, common, not forms"
  "src/platform/win32/ui.cpp:3: #include \"platform/headless/fake.h\" goes against the layering: platform/win32 may include only platform/win32, platform, common, not platform/headless"
  "src/platform/headless/ui.cpp:1: #include \"platform/win32/host.h\" goes against"
  "src/forms/window.h:1: #include \"pages/slots.h\" goes against the layering: forms may include only forms, platform, common, not pages"
  "src/pages/poller.cpp:2: #include \"platform/win32/host.h\" goes against the layering: pages may include only pages, browsers, access_log, forms, platform, common, not platform/win32"
  "src/app/main_form.cpp:1: #include \"platform/win32/native_host.h\" goes against"
  "src/app/other.cpp:1: #include \"nowhere.h\" names no folder of the layering table"
  "src/extra/new.cpp: lies in no folder of the layering table"
  "9 include(s) against the layering")
  string(FIND "${output}" "${problem}" at)
  expect("at GREATER -1" "not reported: ${problem}")
endforeach()
string(REGEX MATCHALL "  src/[^\n]+" reported "${output}")
list(LENGTH reported reportedCount)
expect("reportedCount EQUAL 9" "reported ${reportedCount} problems, not 9: ${output}")

if(failures GREATER 0)
  message(FATAL_ERROR "layering_test: ${failures} failure(s)")
endif()
