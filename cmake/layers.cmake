# The folders under src/, lowest first, and which of them each folder's files may include with
# #include "...". A folder may always include its own files. The build globs the behaviour
# library from PAGEMIND_BEHAVIOUR_FOLDERS and cmake/check_layers.cmake checks every include
# against the same table, so a new folder has to be placed here before it builds.

# Shared by the program's windows and their behaviour, above the ports, in the order in which
# each may use the ones before it.
set(PAGEMIND_BEHAVIOUR_FOLDERS forms access_log browsers pages settings about selection tray app)

set(PAGEMIND_LAYER_FOLDERS common platform platform/win32 platform/headless
                           ${PAGEMIND_BEHAVIOUR_FOLDERS})

# common: version, paths and project facts; nothing of the program.
set(PAGEMIND_MAY_INCLUDE_common "")
# platform: the ports through which the behaviour reaches the system.
set(PAGEMIND_MAY_INCLUDE_platform common)
# The two implementations of the ports, never each other.
set(PAGEMIND_MAY_INCLUDE_platform/win32 platform common)
set(PAGEMIND_MAY_INCLUDE_platform/headless platform common)
# The behaviour reaches the system only through the ports, whichever platform runs it.
set(_pagemind_below platform common)
foreach(_pagemind_folder IN LISTS PAGEMIND_BEHAVIOUR_FOLDERS)
  set(PAGEMIND_MAY_INCLUDE_${_pagemind_folder} ${_pagemind_below})
  list(PREPEND _pagemind_below ${_pagemind_folder})
endforeach()
unset(_pagemind_below)
unset(_pagemind_folder)

# Headers the build generates for a folder, named without one.
set(PAGEMIND_GENERATED_HEADERS_common version_config.h)

# FILE>HEADER: the program's entry alone builds the Windows platform it runs on.
set(PAGEMIND_INCLUDE_EXCEPTIONS "app/entry.cpp>platform/win32/native_host.h")
