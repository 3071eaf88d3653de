# The folders under src/ and which of them each folder's files may include with #include "...":
# the real graph of the program, not an order. A folder may always include its own files. The
# build globs the behaviour library from PAGEMIND_BEHAVIOUR_FOLDERS and cmake/check_layers.cmake
# checks every include against the same table, so a new folder, or a new use of one folder by
# another, is written here first.

# The program's behaviour, above the ports.
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

# What the program knows, as plain objects: the access log, the browsers' own session files,
# and the page memory, which keeps pages from the shell's windows and the browsers' files and
# says what it saw; the resident program writes the access log from that.
set(PAGEMIND_MAY_INCLUDE_access_log platform common)
set(PAGEMIND_MAY_INCLUDE_browsers platform common)
set(PAGEMIND_MAY_INCLUDE_pages browsers platform common)
# Helpers shared by the windows.
set(PAGEMIND_MAY_INCLUDE_forms platform common)
# The windows, each with what it shows.
set(PAGEMIND_MAY_INCLUDE_settings forms platform common)
set(PAGEMIND_MAY_INCLUDE_about forms platform common)
set(PAGEMIND_MAY_INCLUDE_selection pages access_log forms platform common)
# The tray icon and its menu know only the commands they raise.
set(PAGEMIND_MAY_INCLUDE_tray platform common)
# The resident program, which owns all of the above.
set(PAGEMIND_MAY_INCLUDE_app tray selection about settings pages browsers access_log forms
                             platform common)

# Headers the build generates for a folder, named without one.
set(PAGEMIND_GENERATED_HEADERS_common version_config.h)

# FILE>HEADER: the program's entry alone builds the Windows platform it runs on.
set(PAGEMIND_INCLUDE_EXCEPTIONS "app/entry.cpp>platform/win32/native_host.h")
