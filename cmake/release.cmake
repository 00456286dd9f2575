# Lays out the release folder and its zip: Korvane.exe, the user guide, SHA256SUMS.
# Run in the release folder as: cmake -DEXE=<Korvane.exe> -DGUIDE=<guide> -P release.cmake
# Fixed names, order and time stamps, so the same commit gives the same zip.
file(REMOVE_RECURSE Korvane Korvane.zip)
file(MAKE_DIRECTORY Korvane)
file(COPY_FILE "${EXE}" Korvane/Korvane.exe)
file(COPY_FILE "${GUIDE}" Korvane/USER-GUIDE.txt)

set(sums "")
foreach(name Korvane.exe USER-GUIDE.txt)
  file(SHA256 "Korvane/${name}" hash)
  string(APPEND sums "${hash}  ${name}\n")
endforeach()
file(WRITE Korvane/SHA256SUMS "${sums}")

find_program(PYTHON3 python3 REQUIRED)
execute_process(COMMAND "${PYTHON3}" "${CMAKE_CURRENT_LIST_DIR}/make_zip.py" Korvane.zip
                        Korvane/Korvane.exe Korvane/USER-GUIDE.txt Korvane/SHA256SUMS
                COMMAND_ERROR_IS_FATAL ANY)
