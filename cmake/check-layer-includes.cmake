# Refuses includes that go up the layers: every file of one layer folder is
# read, and an include that names a folder of src/ the layer may not use
# fails the build. Quoted and angle includes are both read; a path is taken
# beside the including file first (so "../controls/X.h" counts as controls),
# then under src/.
# Usage: cmake -DSRC=<src dir> -DLAYER=<folder> -DALLOWED=<folders, ;-separated>
#              -DFOLDERS=<every folder of src/> -DSTAMP=<file> -P check-layer-includes.cmake
cmake_minimum_required(VERSION 3.20)

foreach(var SRC LAYER ALLOWED FOLDERS STAMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check-layer-includes: ${var} not given")
  endif()
endforeach()
# The list arrives with its separators escaped so that it survives the
# command line.
string(REPLACE "," ";" ALLOWED "${ALLOWED}")
string(REPLACE "," ";" FOLDERS "${FOLDERS}")

get_filename_component(SRC "${SRC}" ABSOLUTE)
file(GLOB_RECURSE files "${SRC}/${LAYER}/*.h" "${SRC}/${LAYER}/*.hpp" "${SRC}/${LAYER}/*.cpp"
     "${SRC}/${LAYER}/*.c" "${SRC}/${LAYER}/*.inl" "${SRC}/${LAYER}/*.rc")
list(SORT files)

set(refused "")
foreach(file ${files})
  get_filename_component(dir "${file}" DIRECTORY)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
      continue()
    endif()
    set(included "${CMAKE_MATCH_1}")
    if(EXISTS "${dir}/${included}")
      get_filename_component(target "${dir}/${included}" ABSOLUTE)
    else()
      get_filename_component(target "${SRC}/${included}" ABSOLUTE)
    endif()
    file(RELATIVE_PATH relative "${SRC}" "${target}")
    if(relative MATCHES "^\\.\\./" OR NOT relative MATCHES "/")
      continue()  # outside src/ (system and generated headers) or no folder
    endif()
    string(REGEX REPLACE "/.*" "" folder "${relative}")
    if(NOT folder IN_LIST FOLDERS OR folder IN_LIST ALLOWED)
      continue()
    endif()
    file(RELATIVE_PATH shown "${SRC}" "${file}")
    string(APPEND refused "  src/${shown}: #include \"${included}\" (layer ${folder})\n")
  endforeach()
endforeach()

if(refused)
  string(REPLACE ";" ", " allowedText "${ALLOWED}")
  file(REMOVE "${STAMP}")
  message(FATAL_ERROR "Layer ${LAYER} includes a layer above it; it may include only ${allowedText}:\n"
                      "${refused}")
endif()
file(WRITE "${STAMP}" "")
