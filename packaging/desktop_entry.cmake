# Writes the desktop entry entry_file from entry_in, its Exec lines starting
# entry_program (a full path). Run at install time, from packaging/CMakeLists.txt.
#
# A path of plain characters stands bare: xdg-open without a desktop of its
# own (openbox, or none named) takes the Exec line's first word as it is, a
# quote mark included, and then starts nothing. Any other path is quoted as
# the desktop entry format asks, for the desktops' own launchers.
if(entry_program MATCHES "^[A-Za-z0-9/._+,:@-]+$")
  set(exec "${entry_program}")
else()
  set(exec "${entry_program}")
  foreach(special "\\" "\"" "`" "$")
    string(REPLACE "${special}" "\\${special}" exec "${exec}")
  endforeach()
  # The entry's own escapes come on top: each backslash is written twice.
  string(REPLACE "\\" "\\\\" exec "\"${exec}\"")
endif()
# A percent sign would start a field code.
string(REPLACE "%" "%%" exec "${exec}")
file(READ "${entry_in}" entry)
string(REPLACE "@KORVALO_EXEC@" "${exec}" entry "${entry}")
get_filename_component(folder "${entry_file}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(WRITE "${entry_file}" "${entry}")
message(STATUS "Installing: ${entry_file}")
